#include "app/run_sequence.h"

int main() { return quorvex::RunReport(); }
