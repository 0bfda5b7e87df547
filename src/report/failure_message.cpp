#include "quorvex/failure.h"

#include "report/log_line.h"

namespace quorvex {

std::string FailureMessage(const Failure& failure) {
  std::string message = failure.path;
  if (failure.pointer) {
    if (!message.empty()) message += ": ";
    message += failure.pointer->empty() ? "the document" : *failure.pointer;
  }
  if (!message.empty()) message += ": ";
  message += failure.reason;
  return ConsoleVisible(message);
}

}  // namespace quorvex
