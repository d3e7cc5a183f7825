#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bildheber::imghost {

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> extraHeaders;
};

// A short plain-text answer, such as 400 with the reason.
HttpResponse textResponse(int status, std::string_view text);
HttpResponse htmlResponse(std::string html);

// Status line, Content-Type, Content-Length, Connection: close, the extra headers, the empty line
// and the body. The host closes every connection after one answer.
std::string serializeResponse(const HttpResponse& response);

}  // namespace bildheber::imghost
