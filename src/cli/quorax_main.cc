#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quorax::cli::RunCommand(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
