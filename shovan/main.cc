// Shovan: moves .qmx animations by X, Y and Z offsets.

#include <new>

#include "console/batch_driver.h"

int main(int argc, char** argv) {
  try {
    return qmx::RunProgram(qmx::kShovanProgram, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
