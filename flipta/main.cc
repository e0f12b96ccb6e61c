// Flipta: mirrors player-character .qmx animations on the X axis.

#include <new>

#include "console/batch_driver.h"

int main(int argc, char** argv) {
  try {
    return qmx::RunProgram(qmx::kFliptaProgram, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
