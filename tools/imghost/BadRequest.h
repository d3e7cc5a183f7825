#pragma once

#include <stdexcept>

namespace bildheber::imghost {

// A request the image host refuses with 400; the text tells the client why, in a few words.
class BadRequest : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace bildheber::imghost
