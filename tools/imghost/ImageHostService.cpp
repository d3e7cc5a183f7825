#include "imghost/ImageHostService.h"

#include "imghost/BadRequest.h"
#include "imghost/Pages.h"
#include "imghost/UploadForm.h"

namespace bildheber::imghost {

namespace {

constexpr std::string_view kUploadPath = "/imghost/";
constexpr std::string_view kPicturePrefix = "/imghost/i/";
constexpr std::string_view kPagePrefix = "/imghost/p/";
constexpr std::string_view kJpegSuffix = ".jpg";
constexpr std::chrono::minutes kRemovalInterval{1};

HttpResponse methodNotAllowed(std::string_view allowed) {
    HttpResponse response = textResponse(405, "method not allowed");
    response.extraHeaders.emplace_back("Allow", allowed);
    return response;
}

HttpResponse notFound() {
    return textResponse(404, "not found");
}

}  // namespace

ImageHostService::ImageHostService(PictureStore& store, PublicUrl url, Clock clock, Log log)
    : store_(store), url_(std::move(url)), clock_(std::move(clock)), log_(std::move(log)) {}

HttpResponse ImageHostService::handle(const RequestHead& head, std::string_view body) {
    HttpResponse response;
    try {
        removeExpiredIfDue();
        response = route(head, body);
    } catch (const BadRequest& error) {
        response = textResponse(400, std::string("bad request: ") + error.what());
    } catch (const std::exception& error) {
        log(std::string("error: ") + error.what());
        response = textResponse(500, "internal error");
    }
    log(head.method + " " + head.target + " -> " + std::to_string(response.status));
    return response;
}

void ImageHostService::removeExpiredIfDue() {
    const auto now = clock_();
    if (lastRemoval_ && now - *lastRemoval_ < kRemovalInterval && now >= *lastRemoval_) {
        return;
    }
    lastRemoval_ = now;
    for (const std::string& name : store_.removeExpired(localDateTime(now).date)) {
        log("expired: removed " + name);
    }
}

HttpResponse ImageHostService::route(const RequestHead& head, std::string_view body) {
    const std::string_view path = head.path();
    if (path == kUploadPath) {
        return head.method == "POST" ? upload(head, body) : methodNotAllowed("POST");
    }
    const bool isPicture = path.starts_with(kPicturePrefix) && path.ends_with(kJpegSuffix);
    const bool isPage = path.starts_with(kPagePrefix);
    if (!isPicture && !isPage) {
        return notFound();
    }
    if (head.method != "GET") {
        return methodNotAllowed("GET");
    }
    if (isPicture) {
        const std::string_view rest = path.substr(kPicturePrefix.size());
        return picture(rest.substr(0, rest.size() - kJpegSuffix.size()));
    }
    return page(path.substr(kPagePrefix.size()));
}

HttpResponse ImageHostService::upload(const RequestHead& head, std::string_view body) {
    const UploadForm form = readUploadForm(head, body);
    const PictureInfo info{form.displayName, form.keepUntil};
    const std::string name = store_.add(form.jpeg, info, localDateTime(clock_()));
    log("stored " + name + " (" + std::to_string(form.jpeg.size()) + " bytes, \"" +
        form.displayName + "\", " +
        (info.keepUntil ? "until " + isoDate(*info.keepUntil) : "kept for good") + ")");
    return htmlResponse(uploadReplyPage(url_, name, info));
}

HttpResponse ImageHostService::picture(std::string_view name) {
    if (!findCurrent(name)) {
        return notFound();
    }
    std::optional<std::string> jpeg = store_.readJpeg(name);
    if (!jpeg) {
        return notFound();
    }
    return HttpResponse{200, "image/jpeg", std::move(*jpeg), {}};
}

HttpResponse ImageHostService::page(std::string_view name) {
    const std::optional<PictureInfo> info = findCurrent(name);
    return info ? htmlResponse(picturePage(url_, name, *info)) : notFound();
}

std::optional<PictureInfo> ImageHostService::findCurrent(std::string_view name) const {
    std::optional<PictureInfo> info = store_.find(name);
    if (info && info->keepUntil && *info->keepUntil < localDateTime(clock_()).date) {
        return std::nullopt;  // expired, just not removed yet
    }
    return info;
}

void ImageHostService::log(const std::string& line) const {
    if (log_) {
        log_(line);
    }
}

}  // namespace bildheber::imghost
