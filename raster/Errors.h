#pragma once

#include <stdexcept>
#include <string>

namespace tarvo {

// Every error meant for the user derives from TError; what() is the message to show.
class TError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A raster, plane or system object could not be created.
class EOutOfResources : public TError {
  public:
    EOutOfResources() : TError("Out of system resources") {}
    using TError::TError;
};

// Bytes that are not a picture this program can read, or a file type no reader handles.
class EInvalidGraphic : public TError {
  public:
    using TError::TError;
};

// A stream or file could not be read.
class EReadError : public TError {
  public:
    EReadError() : TError("Stream read error") {}
    using TError::TError;
};

// A stream or file could not be written.
class EWriteError : public TError {
  public:
    using TError::TError;
};

}  // namespace tarvo
