#include "quorvex/report.h"

int main() {
  quorvex::BufferStandardOutput();
  return quorvex::RunReport();
}
