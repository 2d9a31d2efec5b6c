// The graphics' one failure: a data file, the window or a surface that could not be had. It says
// what failed, so that the program can report it in one line.
#pragma once

#include <exception>
#include <string>
#include <utility>

class GraphicsError : public std::exception {
  public:
    explicit GraphicsError(std::string reason_t) : reason(std::move(reason_t)) {}
    const char* what() const noexcept override { return reason.c_str(); }

  private:
    std::string reason;
};
