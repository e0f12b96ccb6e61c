// Flipta: mirrors player-character .qmx animations on the X axis.

#include <new>

#include "console/batch_driver.h"
#include "flipta/flipta_tool.h"

int main(int argc, char** argv) {
  try {
    qmx::FliptaTool tool;
    return qmx::RunProgram(tool, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
