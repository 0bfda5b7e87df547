#include "app/run_sequence.h"

int main() {
  quorvex::BufferStandardOutput();
  return quorvex::RunReport();
}
