#include "imghost/Pages.h"

namespace bildheber::imghost {

namespace {

std::string keptText(const PictureInfo& info) {
    return info.keepUntil ? "Kept until " + isoDate(*info.keepUntil) + "." : "Kept for good.";
}

std::string page(std::string_view title, const PublicUrl& url, std::string_view name,
                 const PictureInfo& info) {
    const std::string shownName = info.displayName.empty() ? std::string(name) : info.displayName;
    std::string html;
    html += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"UTF-8\">\n<title>";
    html += htmlEscape(title);
    html += "</title>\n</head>\n<body>\n<h1>";
    html += htmlEscape(title);
    html += "</h1>\n<p><a href=\"" + htmlEscape(url.pictureAddress(name)) + "\"><img src=\"";
    html += htmlEscape(url.pictureAddress(name)) + "\" alt=\"" + htmlEscape(shownName);
    html += "\"></a></p>\n<p>" + htmlEscape(shownName) + "</p>\n<p>" + keptText(info);
    html += "</p>\n<p>Forum code:<br>\n<input type=\"text\" id=\"codebbs\" value=\"";
    html += htmlEscape(forumCode(url, name));
    html += "\" size=\"100\" readonly></p>\n</body>\n</html>\n";
    return html;
}

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string forumCode(const PublicUrl& url, std::string_view name) {
    return "[URL=" + url.pageAddress(name) + "][IMG]" + url.pictureAddress(name) + "[/IMG][/URL]";
}

std::string uploadReplyPage(const PublicUrl& url, std::string_view name, const PictureInfo& info) {
    return page("Picture stored", url, name, info);
}

std::string picturePage(const PublicUrl& url, std::string_view name, const PictureInfo& info) {
    return page("Picture", url, name, info);
}

}  // namespace bildheber::imghost
