#pragma once
// The service's HTML: the form page (GET /), the result page (the same form
// with the picture above it) and the short error page.
#include <string>
#include <string_view>

#include "service/form.h"

namespace sigservice {

// The picture tag's fixed attribute text around the relative picture path;
// the desktop tool cuts the path out between these two, byte for byte.
inline constexpr std::string_view kImgBefore = "\"img-responsive center-block\" src=\".";
inline constexpr std::string_view kImgAfter = "\" id=\"SaveImg\" ";

std::string HtmlEscape(std::string_view text);
std::string FormPage();
std::string ResultPage(const SignatureRequest& request, const std::string& name);
std::string ErrorPage(int status, std::string_view reason);

}  // namespace sigservice
