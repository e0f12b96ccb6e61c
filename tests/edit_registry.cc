// Prints the registry of the edits for the test of qmx's completion and
// manual page: a line per edit, its subcommand and its program, and a line
// per option, the subcommand, the option, its value's name and the range
// of each parameter it gives.

#include <iostream>

#include "edits/registry.h"

int main() {
  for (const qmx::EditEntry& edit : qmx::Edits()) {
    std::cout << edit.command << ' ' << edit.program << '\n';
    for (const qmx::CommandOption& option : edit.options) {
      std::cout << edit.command << ' ' << option.name << ' '
                << option.type_name;
      for (size_t k = option.first; k < option.first + option.count; ++k) {
        std::cout << ' ' << qmx::Min(edit.parameters[k]) << ".."
                  << qmx::Max(edit.parameters[k]);
      }
      std::cout << '\n';
    }
  }
}
