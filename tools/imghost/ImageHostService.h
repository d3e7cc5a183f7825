#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "imghost/HttpRequest.h"
#include "imghost/HttpResponse.h"
#include "imghost/PictureStore.h"
#include "imghost/PublicUrl.h"

namespace bildheber::imghost {

// What the host does with one request, apart from the network:
//   POST /imghost/             store the uploaded JPEG, answer with the page holding its code
//   GET  /imghost/i/NAME.jpg   the picture
//   GET  /imghost/p/NAME       the picture's page
// Unknown or expired names give 404, another method on these paths 405, everything else 404.
class ImageHostService {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using Log = std::function<void(const std::string&)>;

    ImageHostService(PictureStore& store, PublicUrl url,
                     Clock clock = &std::chrono::system_clock::now, Log log = {});

    // Never throws: a malformed upload gives 400 with the reason, a failure of the store 500.
    // Expired pictures are removed first when that is due.
    HttpResponse handle(const RequestHead& head, std::string_view body);

    // Removes expired pictures unless that was done less than a minute ago.
    void removeExpiredIfDue();

  private:
    HttpResponse route(const RequestHead& head, std::string_view body);
    HttpResponse upload(const RequestHead& head, std::string_view body);
    HttpResponse picture(std::string_view name);
    HttpResponse page(std::string_view name);
    // The sidecar of a picture that is stored and not expired.
    std::optional<PictureInfo> findCurrent(std::string_view name) const;
    void log(const std::string& line) const;

    PictureStore& store_;
    PublicUrl url_;
    Clock clock_;
    Log log_;
    std::optional<std::chrono::system_clock::time_point> lastRemoval_;
};

}  // namespace bildheber::imghost
