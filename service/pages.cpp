#include "service/pages.h"

#include "service/styles.h"

namespace sigservice {
namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
    "<title>\xE8\x89\xBA\xE6\x9C\xAF\xE7\xAD\xBE\xE5\x90\x8D</title>"  // 艺术签名
    "<style>body{font-family:sans-serif;max-width:46em;margin:2em auto;padding:0 1em;color:#222}"
    "form{display:grid;grid-template-columns:max-content 1fr;gap:.5em 1em;align-items:center}"
    "input[type=text]{width:100%}.result{text-align:center;margin:1.5em 0;padding:1em;background:#f4f4f4}"
    ".result img{max-width:100%}.err{color:#a00}</style></head><body>\n";

std::string Form(const SignatureRequest& r) {
  std::string sizeOptions;
  struct Choice {
    int value;
    const char* label;
  };
  // 小型字 / 中型字 / 大型字, as the desktop tool names them
  static constexpr Choice kSizes[] = {{32, "\xE5\xB0\x8F\xE5\x9E\x8B\xE5\xAD\x97"},
                                      {64, "\xE4\xB8\xAD\xE5\x9E\x8B\xE5\xAD\x97"},
                                      {128, "\xE5\xA4\xA7\xE5\x9E\x8B\xE5\xAD\x97"}};
  for (const auto& c : kSizes) {
    sizeOptions += "<option value=\"" + std::to_string(c.value) + "\"" + (r.size == c.value ? " selected" : "") +
                   ">" + c.label + " (" + std::to_string(c.value) + " px)</option>";
  }
  return "<form method=\"post\" action=\"./\" accept-charset=\"utf-8\">\n"
         "<label for=\"text\">\xE7\xAD\xBE\xE5\x90\x8D\xE6\x96\x87\xE5\xAD\x97</label>"  // 签名文字
         "<input type=\"text\" id=\"text\" name=\"text\" maxlength=\"100\" required value=\"" +
         HtmlEscape(r.text) +
         "\">\n<label for=\"ziti\">\xE5\xAD\x97\xE4\xBD\x93\xE9\xA3\x8E\xE6\xA0\xBC</label>"  // 字体风格
         "<input type=\"number\" id=\"ziti\" name=\"ziti\" min=\"1\" max=\"410\" value=\"" +
         std::to_string(r.style) +
         "\">\n<label for=\"sizes\">\xE5\xA4\xA7\xE5\xB0\x8F</label><select id=\"sizes\" name=\"sizes\">" +  // 大小
         sizeOptions +
         "</select>\n<label for=\"fontcolor\">\xE5\xAD\x97\xE4\xBD\x93\xE9\xA2\x9C\xE8\x89\xB2</label>"  // 字体颜色
         "<input type=\"color\" id=\"fontcolor\" name=\"fontcolor\" value=\"#" +
         ColourHex(r.ink) +
         "\">\n<label for=\"colors\">\xE8\x83\x8C\xE6\x99\xAF\xE9\xA2\x9C\xE8\x89\xB2</label>"  // 背景颜色
         "<input type=\"color\" id=\"colors\" name=\"colors\" value=\"#" +
         ColourHex(r.paper) +
         "\">\n<input type=\"hidden\" name=\"if_demo\" value=\"show\"><span></span>"
         "<button type=\"submit\">\xE7\x94\x9F\xE6\x88\x90</button>\n</form>\n"  // 生成
         "<p>\xE9\xA3\x8E\xE6\xA0\xBC\xE6\xA0\xB7\xE5\xBC\x8F: <a href=\"./img/demo/1.png\">img/demo/1.png</a> "
         "\xE2\x80\xA6 <a href=\"./img/demo/410.png\">img/demo/410.png</a></p>\n";  // 风格样式
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string FormPage() {
  SignatureRequest defaults;
  defaults.text.clear();
  return std::string(kHead) + "<h1>\xE8\x89\xBA\xE6\x9C\xAF\xE7\xAD\xBE\xE5\x90\x8D</h1>\n" + Form(defaults) +
         "</body></html>\n";
}

std::string ResultPage(const SignatureRequest& r, const std::string& name) {
  const Style& style = StyleAt(r.style);
  // The picture comes first and exactly once; the echoed text is escaped, so
  // no user text can imitate the tag the desktop tool looks for.
  return std::string(kHead) + "<h1>\xE8\x89\xBA\xE6\x9C\xAF\xE7\xAD\xBE\xE5\x90\x8D</h1>\n<div class=\"result\"><img class=" +
         std::string(kImgBefore) + "/img/" + name + ".png" + std::string(kImgAfter) + "alt=\"" + HtmlEscape(r.text) +
         "\"></div>\n<p>" + std::to_string(r.style) + ": " + HtmlEscape(style.latin) + " / " +
         HtmlEscape(style.chinese) + ", " + HtmlEscape(style.effect->name) + "</p>\n" + Form(r) + "</body></html>\n";
}

std::string ErrorPage(int status, std::string_view reason) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + std::to_string(status) +
         "</title></head><body><p class=\"err\">" + HtmlEscape(reason) +
         "</p><p><a href=\"/\">\xE8\xBF\x94\xE5\x9B\x9E</a></p></body></html>\n";  // 返回
}

}  // namespace sigservice
