#pragma once

#include <stdexcept>

namespace bildheber {

// A JPEG file that cannot be read, decoded or resized; the text says why ("JPEG-Fehler #%d" for
// an error of the codec).
class JpegError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace bildheber
