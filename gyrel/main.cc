// Gyrel: rotates .qmx animations about the vertical axis.

#include <new>

#include "console/batch_driver.h"

int main(int argc, char** argv) {
  try {
    return qmx::RunProgram(qmx::kGyrelProgram, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
