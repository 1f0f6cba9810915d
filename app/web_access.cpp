#include "app/web_access.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "app/address_parts.h"
#include "app/cookie_list.h"
#include "app/text_between.h"

namespace app {
namespace {

// The program's DLL commands for the internet functions, by number.
enum InternetDll : uint32_t {
    kDllInternetOpen = 3,
    kDllInternetCloseHandle = 4,
    kDllInternetConnect = 5,
    kDllHttpOpenRequest = 6,
    kDllHttpSendRequestText = 7,   // optional data declared as a text
    kDllHttpSendRequestBytes = 8,  // optional data declared as a byte set
    kDllInternetReadFile = 9,
    kDllHttpQueryInfo = 10,
};

constexpr const char* kMethodNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
static_assert(std::size(kMethodNames) == kWebMethodCount);

constexpr const char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr const char kCrLf[] = "\r\n";

constexpr uint32_t kAccessDirect = 1;
constexpr uint32_t kAccessNamedProxy = 3;
constexpr uint32_t kServiceHttp = 3;
constexpr uint32_t kQueryRawHeadersCrLf = 22;

constexpr uint32_t kFlagReload = 0x80000000u;
constexpr uint32_t kFlagNeedFile = 0x00000010u;
constexpr uint32_t kFlagNoCookies = 0x00080000u;
constexpr uint32_t kFlagNoAutoRedirect = 0x00200000u;
constexpr uint32_t kFlagSecure = 0x00800000u;
constexpr uint32_t kFlagIgnoreRedirectToHttps = 0x00004000u;

// The reply header block is asked for with a buffer of this many bytes.
constexpr int32_t kReplyHeaderBuffer = 5000;
// The body is read in steps of this size.
constexpr uint32_t kReadStep = 1024;

bool Contains(const Text& text, const char* what, bool ignoreCase) {
    return CoreInt(core::kFindText, {TextArg(text), TextArg(what), OmittedArg(), BoolArg(ignoreCase)}) != -1;
}

// A byte set grown in place. Doubling the block keeps the whole read linear
// in the body's size; the bytes are read straight into the block.
class BodyBuilder {
public:
    ~BodyBuilder() { Rt().FreeMemory(block_); }

    // Room for n more bytes, or null when the set could not describe them.
    uint8_t* Reserve(size_t n) {
        if (n > std::numeric_limits<uint32_t>::max() - length_) return nullptr;
        if (length_ + n > capacity_) {
            capacity_ = std::max({capacity_ * 2, length_ + n, size_t{64} << 10});
            capacity_ = std::min<size_t>(capacity_, std::numeric_limits<uint32_t>::max());
            block_ = static_cast<uint8_t*>(Rt().ReallocMemory(block_, runtime::kByteSetHeader + capacity_));
        }
        return block_ + runtime::kByteSetHeader + length_;
    }
    void Commit(size_t n) { length_ += n; }

    Bytes Finish() {
        if (length_ == 0) return Bytes();
        block_ = static_cast<uint8_t*>(Rt().ReallocMemory(block_, runtime::kByteSetHeader + length_));
        const uint32_t header[2] = {1, static_cast<uint32_t>(length_)};
        std::memcpy(block_, header, sizeof header);
        uint8_t* done = block_;
        block_ = nullptr;
        return Bytes(done);
    }

private:
    uint8_t* block_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

// Step 3: the agent named in the extra headers, or the default one.
Text ChooseAgent(const Text& headers) {
    if (!Contains(headers, "User-Agent:", true)) return Text::Copy(kDefaultAgent);
    Text block = Text::Join({headers.view(), kCrLf});
    Text agent = TextBetween(block.get(), "User-Agent:", kCrLf, 0, false);
    agent = CoreText(core::kTrimBoth, {TextArg(agent)});
    if (!agent.empty()) return agent;
    // Named in another letter case: whatever follows the block's first colon.
    int32_t colon = CoreInt(core::kFindText, {TextArg(headers), TextArg(":"), OmittedArg(), BoolArg(false)});
    int32_t length = CoreInt(core::kTextLength, {TextArg(headers)});
    Text rest = CoreText(core::kTextRight, {TextArg(headers), IntArg(length - colon)});
    return CoreText(core::kTrimBoth, {TextArg(rest)});
}

// Step 8: the caller's header lines completed with the defaults.
Text CompleteHeaders(Text headers, const char* address, bool post, const char* cookies) {
    if (headers.empty()) {
        headers = Text::Copy("Accept: */*");
    } else if (!Contains(headers, "Accept:", false)) {
        headers = Text::Join({headers.view(), "\r\nAccept: */*"});
    }
    if (!Contains(headers, "Referer:", false))
        headers = Text::Join({headers.view(), "\r\nReferer: ", runtime::TextView(address)});
    if (!Contains(headers, "Accept-Language:", false))
        headers = Text::Join({headers.view(), "\r\nAccept-Language: zh-cn"});
    if (post && !Contains(headers, "Content-Type:", false))
        headers = Text::Join({headers.view(), "\r\nContent-Type: application/x-www-form-urlencoded"});
    std::string_view cookieText = runtime::TextView(cookies);
    if (!cookieText.empty()) {
        bool named = cookieText.find("Cookie:") != std::string_view::npos;
        headers = Text::Join({headers.view(), named ? "\r\n" : "\r\nCookie: ", cookieText});
    }
    return headers;
}

// Step 11: the raw reply header block, "Set-Cookie" in one spelling.
Text QueryReplyHeaders(uint32_t request) {
    Text buffer = CoreText(core::kBlankText, {IntArg(kReplyHeaderBuffer)});
    uint32_t length = kReplyHeaderBuffer;
    uint32_t index = 0;
    runtime::CallDll(Rt(), kDllHttpQueryInfo, request, kQueryRawHeadersCrLf, buffer.get(), &length, &index);
    // The buffer's text up to its terminator (all blanks when the query failed).
    Text block = Text::Copy(buffer.view().substr(0, std::strlen(buffer.get())));
    return CoreText(core::kReplaceSubtext, {TextArg(block), TextArg("Set-Cookie"), TextArg("Set-Cookie"), OmittedArg(),
                                            OmittedArg(), BoolArg(false)});
}

// Step 13: "name=value; name=value" of every Set-Cookie line.
Text ReceivedCookies(const Text& headerBlock) {
    TextArray lines = CoreTextArray(core::kSplitText, {TextArg(headerBlock), TextArg(kCrLf), OmittedArg()});
    std::string list;
    for (size_t i = 0; i < lines.size(); ++i) {
        const char* line = lines.pointer(i);
        if (lines.at(i).find("Set-Cookie") == std::string_view::npos) continue;
        Text value;
        if (lines.at(i).find(';') != std::string_view::npos) {
            value = TextBetween(line, "Set-Cookie:", ";", 0, false);
        } else {
            value = CoreText(core::kReplaceSubtext, {TextArg(line), TextArg("Set-Cookie:"), TextArg(""), OmittedArg(),
                                                     OmittedArg(), BoolArg(false)});
        }
        value = CoreText(core::kTrimBoth, {TextArg(value)});
        list.append(value.view());
        list.append("; ");
    }
    if (!list.empty()) list.resize(list.size() - 2);
    return Text::Copy(list);
}

// Closes the handles opened so far, the last opened first.
void CloseHandles(std::initializer_list<uint32_t> handles) {
    for (uint32_t h : handles) runtime::CallDll(Rt(), kDllInternetCloseHandle, h);
}

}  // namespace

Bytes WebAccess(const char* address, Optional<int32_t> method, Optional<const char*> bodyText,
                Optional<const char*> cookiesToSend, Text* receivedCookies, Text* extraHeaders, Text* replyHeaders,
                Optional<bool> noRedirect, Optional<const void*> bodyBytes, Optional<const char*> proxy,
                Optional<bool> mergeCookies) {
    // 1-2: method and scheme.
    int32_t m = method.Or(kWebGet);
    if (m < 0 || m >= kWebMethodCount) m = kWebGet;
    Text lower = CoreText(core::kToLowerCase, {TextArg(address)});
    bool secure = CoreText(core::kTextLeft, {TextArg(lower), IntArg(8)}).view() == "https://";

    // 3-4: root handle.
    Text headers = Text::Copy(extraHeaders ? extraHeaders->view() : std::string_view());
    Text agent = ChooseAgent(headers);
    const char* proxyText = proxy.Or(nullptr);
    Text proxyName;
    uint32_t access = kAccessDirect;
    if (proxyText && *proxyText) {
        access = kAccessNamedProxy;
        proxyName = secure ? Text::Copy(proxyText) : Text::Join({"http=", proxyText});
    }
    auto root = static_cast<uint32_t>(runtime::CallDll(Rt(), kDllInternetOpen, agent.get(), access,
                                                       proxyName.get() ? proxyName.get() : "", "", 0));
    if (!root) {
        CloseHandles({root});
        return Bytes();
    }

    // 5: connection.
    Text host = HostOfAddress(address, false);
    auto port = static_cast<uint32_t>(PortOfAddress(address));
    auto connection = static_cast<uint32_t>(
        runtime::CallDll(Rt(), kDllInternetConnect, root, host.get() ? host.get() : "", port, "", "", kServiceHttp, 0, 0));
    if (!connection) {
        CloseHandles({connection, root});
        return Bytes();
    }

    // 6-7: request.
    uint32_t flags = kFlagReload | kFlagNeedFile;
    if (cookiesToSend.given) flags |= kFlagNoCookies;
    if (noRedirect.Or(false)) flags |= kFlagNoAutoRedirect;
    flags |= secure ? kFlagSecure : kFlagIgnoreRedirectToHttps;
    Text path = PathOfAddress(address);
    auto request = static_cast<uint32_t>(runtime::CallDll(Rt(), kDllHttpOpenRequest, connection, kMethodNames[m],
                                                          path.get(), "HTTP/1.1", "", nullptr, flags, 0));
    if (!request) {
        CloseHandles({request, connection, root});
        return Bytes();
    }

    // 8: headers, written back.
    headers = CompleteHeaders(std::move(headers), address, m == kWebPost, cookiesToSend.Or(nullptr));
    if (extraHeaders) *extraHeaders = Text::Copy(headers.view());

    // 9: send; a failed send simply reads no body.
    auto headerLength = static_cast<uint32_t>(headers.view().size());
    if (m == kWebGet) {
        runtime::CallDll(Rt(), kDllHttpSendRequestText, request, headers.get(), headerLength, nullptr, 0);
    } else if (runtime::ByteSetLength(bodyBytes.Or(nullptr)) > 0) {
        const void* set = bodyBytes.value;
        runtime::CallDll(Rt(), kDllHttpSendRequestBytes, request, headers.get(), headerLength,
                         runtime::ByteSetData(set), static_cast<uint32_t>(runtime::ByteSetLength(set)));
    } else {
        std::string_view body = runtime::TextView(bodyText.Or(nullptr));
        runtime::CallDll(Rt(), kDllHttpSendRequestText, request, headers.get(), headerLength, body.empty() ? "" : body.data(),
                         static_cast<uint32_t>(body.size()));
    }

    // 10: body.
    BodyBuilder body;
    for (;;) {
        uint8_t* room = body.Reserve(kReadStep);
        if (!room) break;
        uint32_t count = 0;
        runtime::CallDll(Rt(), kDllInternetReadFile, request, room, kReadStep, &count);
        if (count == 0) break;
        body.Commit(std::min(count, kReadStep));
    }

    // 11-12: reply headers; close.
    Text block = QueryReplyHeaders(request);
    CloseHandles({request, connection, root});

    // 13-14: cookies.
    Text cookies = ReceivedCookies(block);
    if (mergeCookies.Or(true) && cookiesToSend.given) cookies = MergeCookies(cookiesToSend.value, cookies.get());
    if (receivedCookies) *receivedCookies = std::move(cookies);
    if (replyHeaders) *replyHeaders = std::move(block);
    return body.Finish();
}

}  // namespace app
