#pragma once

#include <string>
#include <string_view>

namespace bildheber::imghost {

// The address under which clients reach the host, such as "https://localhost:8443"; the forum
// codes and pages name pictures below it.
class PublicUrl {
  public:
    // Accepts "http://" or "https://" followed by letters, digits and "-._~:/%" only, so that the
    // address can stand in a forum code and an HTML attribute without escaping (a "&" would turn
    // into "&amp;", which the forum code would keep). A trailing "/" is dropped. Throws
    // std::invalid_argument otherwise.
    static PublicUrl parse(std::string_view text);

    // "<base>/imghost/p/NAME": the picture's page.
    std::string pageAddress(std::string_view name) const;
    // "<base>/imghost/i/NAME.jpg": the picture itself.
    std::string pictureAddress(std::string_view name) const;

    const std::string& base() const { return base_; }

  private:
    explicit PublicUrl(std::string base) : base_(std::move(base)) {}
    std::string base_;
};

}  // namespace bildheber::imghost
