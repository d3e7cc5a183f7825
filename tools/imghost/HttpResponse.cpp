#include "imghost/HttpResponse.h"

namespace bildheber::imghost {

namespace {

std::string_view reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 500:
            return "Internal Server Error";
        default:
            return "Unknown";
    }
}

}  // namespace

HttpResponse textResponse(int status, std::string_view text) {
    return HttpResponse{status, "text/plain; charset=UTF-8", std::string(text) + "\n", {}};
}

HttpResponse htmlResponse(std::string html) {
    return HttpResponse{200, "text/html; charset=UTF-8", std::move(html), {}};
}

std::string serializeResponse(const HttpResponse& response) {
    std::string bytes = "HTTP/1.1 " + std::to_string(response.status) + " ";
    bytes += reasonPhrase(response.status);
    bytes += "\r\nContent-Type: " + response.contentType;
    bytes += "\r\nContent-Length: " + std::to_string(response.body.size());
    bytes += "\r\nConnection: close\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : response.extraHeaders) {
        bytes += name + ": " + value + "\r\n";
    }
    bytes += "\r\n";
    bytes += response.body;
    return bytes;
}

}  // namespace bildheber::imghost
