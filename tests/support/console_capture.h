// Swaps std::cout (and std::cin) for string streams for the life of a test
// object, so that a test sees exactly the bytes the report writes.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace quorvex::testing {

class ConsoleCapture {
 public:
  explicit ConsoleCapture(const std::string& input = "")
      : input_(input),
        oldOut_(std::cout.rdbuf(output_.rdbuf())),
        oldIn_(std::cin.rdbuf(input_.rdbuf())) {}
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  ~ConsoleCapture() {
    std::cout.rdbuf(oldOut_);
    std::cin.rdbuf(oldIn_);
    std::cin.clear();
  }

  std::string Output() const { return output_.str(); }
  // What the program left unread on standard input.
  std::string UnreadInput() {
    std::cin.clear();
    std::string rest((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    return rest;
  }

 private:
  std::ostringstream output_;
  std::istringstream input_;
  std::streambuf* oldOut_;
  std::streambuf* oldIn_;
};

}  // namespace quorvex::testing
