#include "imghost/ImageHostService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>

#include "imghost/HttpRequest.h"
#include "support/TempDir.h"
#include "upload/ForumCode.h"
#include "upload/UploadRequest.h"

namespace bildheber::imghost {
namespace {

using namespace std::chrono_literals;

const std::string kJpeg("\xFF\xD8\xFF\xE0 picture \xFF\xD9", 14);

class RecordingStatusLine : public StatusLine {
  public:
    void setStatusText(const std::string& text) override { last = text; }
    std::string last;
};

// Noon local time on the given day, so that a few minutes more stay on that day.
std::chrono::system_clock::time_point noonOn(int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

class ImghostServiceTest : public ::testing::Test {
  protected:
    ImghostServiceTest()
        : store_(folder_.path()),
          service_(store_, PublicUrl::parse("https://localhost:8443/"), [this] { return now_; }) {}

    HttpResponse send(const std::string& request) {
        const HttpRequest parsed = parseWholeRequest(request);
        return service_.handle(parsed.head, parsed.body);
    }

    HttpResponse get(const std::string& target) {
        return send("GET " + target + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
    }

    // Uploads as the program does on `today` and returns the forum code of the answer.
    std::string upload(const std::string& path, ExpiryChoice expiry, const LocalTimestamp& today) {
        const HttpResponse response =
            send(buildUploadRequest("localhost", path, kJpeg, expiry, today));
        EXPECT_EQ(response.status, 200) << response.body;
        EXPECT_EQ(response.contentType, "text/html; charset=UTF-8");
        RecordingStatusLine status;
        return extractForumCode(response.body, status);
    }

    test::TempDir folder_;
    PictureStore store_;
    std::chrono::system_clock::time_point now_ = noonOn(2025, 3, 1);
    ImageHostService service_;
};

// "[URL=<page>][IMG]<picture>[/IMG][/URL]" split into the two paths below the public URL.
struct CodeAddresses {
    std::string page;
    std::string picture;
};

CodeAddresses addressesIn(const std::string& code) {
    const std::string base = "https://localhost:8443";
    const std::size_t img = code.find("][IMG]");
    const std::size_t imgEnd = code.find("[/IMG]");
    if (!code.starts_with("[URL=" + base) || img == std::string::npos ||
        imgEnd == std::string::npos || !code.ends_with("[/IMG][/URL]")) {
        ADD_FAILURE() << "not a forum code: " << code;
        return {};
    }
    const std::string page = code.substr(5, img - 5);
    const std::string picture = code.substr(img + 6, imgEnd - img - 6);
    return {page.substr(base.size()), picture.substr(base.size())};
}

TEST_F(ImghostServiceTest, AnswersAnUploadWithACodeWhoseAddressesServeThePicture) {
    const std::string code =
        upload("C:\\Bilder\\<b>Mein B\xC3\xA4r.jpg", ExpiryChoice::Never, {2025, 3, 1});
    const CodeAddresses addresses = addressesIn(code);
    EXPECT_TRUE(addresses.page.starts_with("/imghost/p/20250301-")) << code;
    EXPECT_EQ(addresses.picture,
              addresses.page.substr(0, 9) + "i" + addresses.page.substr(10) + ".jpg");

    const HttpResponse picture = get(addresses.picture);
    EXPECT_EQ(picture.status, 200);
    EXPECT_EQ(picture.contentType, "image/jpeg");
    EXPECT_EQ(picture.body, kJpeg);

    const HttpResponse page = get(addresses.page + "?from=test");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("&lt;b&gt;Mein B\xC3\xA4r.jpg"), std::string::npos) << page.body;
    EXPECT_EQ(page.body.find("<b>"), std::string::npos) << "the name must be escaped";
    EXPECT_NE(page.body.find("id=\"codebbs\" value=\"" + code + "\""), std::string::npos);
}

TEST_F(ImghostServiceTest, StopsServingAPictureAfterItsLastDay) {
    const CodeAddresses sixWeeks =
        addressesIn(upload("a.jpg", ExpiryChoice::SixWeeks, {2025, 3, 1}));  // until 1 May
    const CodeAddresses forGood = addressesIn(upload("b.jpg", ExpiryChoice::Never, {2025, 3, 1}));

    now_ = noonOn(2025, 5, 1);
    EXPECT_EQ(get(sixWeeks.picture).status, 200);
    now_ = noonOn(2025, 5, 2);
    EXPECT_EQ(get(sixWeeks.picture).status, 404);
    EXPECT_EQ(get(sixWeeks.page).status, 404);
    EXPECT_EQ(get(forGood.picture).status, 200);

    const std::string name = sixWeeks.page.substr(std::string("/imghost/p/").size());
    EXPECT_FALSE(std::filesystem::exists(store_.folder() / (name + ".jpg")));
}

TEST_F(ImghostServiceTest, RoutesEveryOtherRequestToAnError) {
    const std::string stored =
        addressesIn(upload("a.jpg", ExpiryChoice::Never, {2025, 3, 1})).picture;
    struct Case {
        const char* name;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"unknown picture", "GET /imghost/i/20250301-120000-1-00000000.jpg HTTP/1.0\r\n\r\n", 404},
        {"unknown page", "GET /imghost/p/20250301-120000-1-00000000 HTTP/1.0\r\n\r\n", 404},
        {"path traversal", "GET /imghost/i/../../../etc/passwd.jpg HTTP/1.0\r\n\r\n", 404},
        {"encoded traversal", "GET /imghost/i/..%2F..%2Fsecret.jpg HTTP/1.0\r\n\r\n", 404},
        {"picture without .jpg", "GET " + stored.substr(0, stored.size() - 4) + " HTTP/1.0\r\n\r\n",
         404},
        {"other path", "GET / HTTP/1.0\r\n\r\n", 404},
        {"GET of the upload path", "GET /imghost/ HTTP/1.0\r\n\r\n", 405},
        {"POST to a picture", "POST " + stored + " HTTP/1.0\r\nContent-Length: 0\r\n\r\n", 405},
        {"upload that is no form", "POST /imghost/ HTTP/1.0\r\nContent-Length: 0\r\n\r\n", 400},
    };
    for (const Case& c : cases) {
        const HttpResponse response = send(c.request);
        EXPECT_EQ(response.status, c.status) << c.name << ": " << response.body;
        EXPECT_EQ(response.contentType, "text/plain; charset=UTF-8") << c.name;
    }
}

}  // namespace
}  // namespace bildheber::imghost
