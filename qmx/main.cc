// qmx: the edits of gyrel, shovan, snipla and flipta for scripts and
// pipelines, a look inside .qmx files, and a picture of them.

#include <iostream>
#include <new>

#include "qmx/cli.h"

int main(int argc, char** argv) {
  try {
    return qmx::RunQmx(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "qmx: Out of memory." << std::endl;
    return 1;
  }
}
