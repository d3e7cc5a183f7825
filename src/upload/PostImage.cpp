#include "upload/PostImage.h"

#include "upload/ReplyCharset.h"
#include "upload/UploadError.h"
#include "upload/UploadRequest.h"

namespace bildheber {

std::string postImage(std::string_view path, std::string_view jpegBytes, ExpiryChoice expiry,
                      const UploadOptions& options) {
    const std::string request =
        buildUploadRequest(options.endpoint.host, {path, jpegBytes}, expiry, options.clock());
    HttpReply reply;
    {
        TlsConnection connection(options.endpoint.host, options.endpoint.port, options.timeouts);
        connection.writeAll(request);
        reply = readReply(connection, options.limits);
    }
    if (reply.status < 200 || reply.status > 299) {
        throw UploadError("image host answered with status " + std::to_string(reply.status));
    }
    std::string text = decodeReplyText(reply.header("Content-Type").value_or(""), reply.body);
    // Decoding may triple a body (U+FFFD for each invalid byte), and the text is copied on.
    if (text.size() > options.limits.maxBodyBytes) {
        throw UploadError("reply text too large");
    }
    return text;
}

}  // namespace bildheber
