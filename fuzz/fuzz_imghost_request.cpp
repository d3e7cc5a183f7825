// The local image host's request reading over arbitrary bytes: request head, Content-Length,
// multipart body, the upload form and the file name shown on pages. Anything malformed must end
// in BadRequest, nothing else; what is accepted must keep the promises the store and the pages
// rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "imghost/BadRequest.h"
#include "imghost/HttpRequest.h"
#include "imghost/Multipart.h"
#include "imghost/UploadForm.h"

namespace {

using namespace bildheber::imghost;

// The boundary format of the program's requests, for inputs that are a bare multipart body.
constexpr std::string_view kBoundary = "--------031524140709045";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool within(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// Shown in pages and kept as one line of a sidecar: no control characters, bounded.
void checkDisplayName(std::string_view name) {
    require(name.size() <= 200);
    for (const char c : name) {
        require(static_cast<unsigned char>(c) >= 0x20 && c != '\x7F');
    }
}

void checkForm(const UploadForm& form, std::string_view input) {
    require(within(form.jpeg, input));
    require(form.jpeg.size() >= 2 && form.jpeg.substr(0, 2) == "\xFF\xD8");
    checkDisplayName(form.displayName);
    if (form.keepUntil) {
        require(form.keepUntil->month >= 1 && form.keepUntil->month <= 12);
        require(form.keepUntil->day >= 1 &&
                form.keepUntil->day <= daysInMonth(form.keepUntil->year, form.keepUntil->month));
    }
}

// The server finds the end of the head on every prefix it has received; the answer must agree
// with the one for the whole input.
void checkHeadEndOnPrefixes(std::string_view input, const RequestLimits& limits) {
    std::optional<std::size_t> whole;
    try {
        whole = findBodyStart(input, limits);
    } catch (const BadRequest&) {
        return;
    }
    if (!whole) {
        return;
    }
    for (std::size_t length = 0; length < input.size(); length += 7) {
        const std::optional<std::size_t> found = findBodyStart(input.substr(0, length), limits);
        require(!found || found == whole);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Small limits, so that the fuzzer reaches them.
    const RequestLimits limits{4096, 1 << 16};

    checkHeadEndOnPrefixes(input, limits);
    try {
        const HttpRequest request = parseWholeRequest(input, limits);
        require(request.body.size() == bodyLength(request.head, limits));
        if (request.head.method == "POST") {
            checkForm(readUploadForm(request.head, request.body), input);
        }
    } catch (const BadRequest&) {
    }
    try {
        const std::vector<FormPart> parts = parseFormData(input, kBoundary, {8, 1024});
        require(parts.size() <= 8);
        for (const FormPart& part : parts) {
            require(within(part.content, input));
            require(!part.name.empty());
        }
        checkForm(readUploadForm(parts), input);
    } catch (const BadRequest&) {
    }
    return 0;
}
