// Regions: cairo's rectangle regions, with ellipses, rounded rectangles and
// polygons turned into scan-line spans. cairo has no shaped regions, so the
// span conversion is ours; it samples each pixel at its centre.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace platform::gdi {

namespace {

constexpr int kLimit = 1 << 20;  // coordinates are kept within +-1M pixels
int Lim(int v) { return std::clamp(v, -kLimit, kLimit); }

void Norm(int& l, int& t, int& r, int& b) {
    l = Lim(l), t = Lim(t), r = Lim(r), b = Lim(b);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
}

cairo_region_t* FromSpans(const std::vector<cairo_rectangle_int_t>& spans) {
    if (spans.empty()) return cairo_region_create();
    return cairo_region_create_rectangles(spans.data(), static_cast<int>(spans.size()));
}

// Rows beyond this many are left out: it bounds the work for absurd sizes.
constexpr int kMaxRows = 1 << 16;

}  // namespace

cairo_region_t* RoundRectRegion(int l, int t, int r, int b, int ew, int eh) {
    Norm(l, t, r, b);
    if (r - l < 1 || b - t < 1) return cairo_region_create();
    double rx = std::min(std::abs(ew) / 2.0, (r - l) / 2.0);
    double ry = std::min(std::abs(eh) / 2.0, (b - t) / 2.0);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle_int_t rc{l, t, r - l, b - t};
        return cairo_region_create_rectangle(&rc);
    }
    std::vector<cairo_rectangle_int_t> spans;
    int rows = std::min(b - t, kMaxRows);
    spans.reserve(rows);
    for (int y = t; y < t + rows; ++y) {
        double cy = y + 0.5;
        double dx = 0;
        // Distance into the corner ellipse at this row, if the row is in a corner band.
        double top = t + ry, bottom = b - ry;
        if (cy < top || cy > bottom) {
            double ey = cy < top ? (top - cy) / ry : (cy - bottom) / ry;
            if (ey >= 1) continue;
            dx = rx - rx * std::sqrt(1 - ey * ey);
        }
        int x0 = static_cast<int>(std::lround(l + dx));
        int x1 = static_cast<int>(std::lround(r - dx));
        if (x1 > x0) spans.push_back({x0, y, x1 - x0, 1});
    }
    return FromSpans(spans);
}

cairo_region_t* EllipseRegion(int l, int t, int r, int b) {
    Norm(l, t, r, b);
    return RoundRectRegion(l, t, r, b, r - l, b - t);
}

cairo_region_t* PolygonRegion(const POINT* pts, int n, int mode) {
    if (!pts || n < 3) return cairo_region_create();
    int top = kLimit, bot = -kLimit;
    for (int i = 0; i < n; ++i) {
        top = std::min(top, Lim(pts[i].y));
        bot = std::max(bot, Lim(pts[i].y));
    }
    bot = std::min(bot, top + kMaxRows);
    std::vector<cairo_rectangle_int_t> spans;
    std::vector<std::pair<double, int>> xs;
    for (int y = top; y < bot; ++y) {
        double cy = y + 0.5;
        xs.clear();
        for (int i = 0; i < n; ++i) {
            double x0 = Lim(pts[i].x), y0 = Lim(pts[i].y);
            double x1 = Lim(pts[(i + 1) % n].x), y1 = Lim(pts[(i + 1) % n].y);
            if (y0 == y1) continue;
            bool up = y1 < y0;
            double lo = std::min(y0, y1), hi = std::max(y0, y1);
            if (cy < lo || cy >= hi) continue;
            xs.push_back({x0 + (cy - y0) * (x1 - x0) / (y1 - y0), up ? -1 : 1});
        }
        std::sort(xs.begin(), xs.end());
        int wind = 0;
        for (size_t k = 0; k + 1 < xs.size(); ++k) {
            bool inside;
            if (mode == 2) {  // WINDING
                wind += xs[k].second;
                inside = wind != 0;
            } else {
                inside = (k % 2) == 0;
            }
            if (!inside) continue;
            int a = static_cast<int>(std::ceil(xs[k].first - 0.5));
            int z = static_cast<int>(std::ceil(xs[k + 1].first - 0.5));
            if (z > a) spans.push_back({a, y, z - a, 1});
        }
    }
    return FromSpans(spans);
}

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

namespace {
int TypeOf(cairo_region_t* r) {
    int n = cairo_region_num_rectangles(r);
    return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}
}  // namespace

WINEXPORT HRGN CreateRectRgn(int l, int t, int r, int b) {
    Norm(l, t, r, b);
    cairo_rectangle_int_t rc{l, t, r - l, b - t};
    return AddRegion(cairo_region_create_rectangle(&rc));
}
WINEXPORT HRGN CreateRectRgnIndirect(const RECT* rc) {
    return rc ? CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom) : 0;
}
WINEXPORT HRGN CreateEllipticRgn(int l, int t, int r, int b) { return AddRegion(EllipseRegion(l, t, r, b)); }
WINEXPORT HRGN CreateEllipticRgnIndirect(const RECT* rc) {
    return rc ? CreateEllipticRgn(rc->left, rc->top, rc->right, rc->bottom) : 0;
}
WINEXPORT HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
    return AddRegion(RoundRectRegion(l, t, r, b, w, h));
}
WINEXPORT HRGN CreatePolygonRgn(const POINT* pts, int n, int mode) {
    if (!pts || n < 0 || n > 100000 || (mode != ALTERNATE && mode != WINDING)) return 0;
    return AddRegion(PolygonRegion(pts, n, mode));
}

WINEXPORT int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
    auto d = GetRegion(dst);
    auto a = GetRegion(src1);
    if (!d || !a) return ERROR;
    cairo_region_t* out = cairo_region_copy(a->rgn);
    if (mode != RGN_COPY) {
        auto b = GetRegion(src2);
        if (!b) {
            cairo_region_destroy(out);
            return ERROR;
        }
        cairo_status_t st = CAIRO_STATUS_SUCCESS;
        switch (mode) {
            case RGN_AND: st = cairo_region_intersect(out, b->rgn); break;
            case RGN_OR: st = cairo_region_union(out, b->rgn); break;
            case RGN_XOR: st = cairo_region_xor(out, b->rgn); break;
            case RGN_DIFF: st = cairo_region_subtract(out, b->rgn); break;
            default: st = CAIRO_STATUS_INVALID_INDEX; break;
        }
        if (st != CAIRO_STATUS_SUCCESS) {
            cairo_region_destroy(out);
            return ERROR;
        }
    }
    cairo_region_destroy(d->rgn);
    d->rgn = out;
    return TypeOf(out);
}

WINEXPORT BOOL SetRectRgn(HRGN h, int l, int t, int r, int b) {
    auto d = GetRegion(h);
    if (!d) return FALSE;
    Norm(l, t, r, b);
    cairo_rectangle_int_t rc{l, t, r - l, b - t};
    cairo_region_destroy(d->rgn);
    d->rgn = cairo_region_create_rectangle(&rc);
    return TRUE;
}

WINEXPORT int OffsetRgn(HRGN h, int x, int y) {
    auto d = GetRegion(h);
    if (!d) return ERROR;
    cairo_region_translate(d->rgn, Lim(x), Lim(y));
    return TypeOf(d->rgn);
}

WINEXPORT int GetRgnBox(HRGN h, LPRECT rc) {
    auto d = GetRegion(h);
    if (!d || !rc) return ERROR;
    cairo_rectangle_int_t e;
    cairo_region_get_extents(d->rgn, &e);
    *rc = TypeOf(d->rgn) == NULLREGION ? RECT{0, 0, 0, 0} : RECT{e.x, e.y, e.x + e.width, e.y + e.height};
    return TypeOf(d->rgn);
}

WINEXPORT BOOL PtInRegion(HRGN h, int x, int y) {
    auto d = GetRegion(h);
    return d && cairo_region_contains_point(d->rgn, x, y);
}

WINEXPORT BOOL RectInRegion(HRGN h, const RECT* rc) {
    auto d = GetRegion(h);
    if (!d || !rc) return FALSE;
    int l = rc->left, t = rc->top, r = rc->right, b = rc->bottom;
    Norm(l, t, r, b);
    cairo_rectangle_int_t c{l, t, r - l, b - t};
    return cairo_region_contains_rectangle(d->rgn, &c) != CAIRO_REGION_OVERLAP_OUT;
}

WINEXPORT BOOL EqualRgn(HRGN a, HRGN b) {
    auto ra = GetRegion(a), rb = GetRegion(b);
    return ra && rb && cairo_region_equal(ra->rgn, rb->rgn);
}
