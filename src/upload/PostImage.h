#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/LocalClock.h"
#include "upload/ExpiryChoice.h"
#include "upload/HttpReply.h"
#include "upload/ImageHost.h"
#include "upload/TlsConnection.h"

namespace bildheber {

struct UploadOptions {
    Endpoint endpoint = imageHostEndpoint();
    SocketTimeouts timeouts;
    ReplyLimits limits;
    std::function<LocalTime()> clock = &LocalTime::now;
};

// Sends one picture to the image host and returns the reply page as UTF-8 text. `path` is the
// queue entry's path (only its file name is sent), `jpegBytes` the re-encoded picture. The
// exchange ends within options.timeouts.exchange. Throws UploadError for every failure:
// connection, TLS, time-out, the exchange's time limit, a status outside 200..299.
std::string postImage(std::string_view path, std::string_view jpegBytes, ExpiryChoice expiry,
                      const UploadOptions& options = {});

}  // namespace bildheber
