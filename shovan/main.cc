// Shovan: moves .qmx animations by X, Y and Z offsets.

#include <new>

#include "console/batch_driver.h"
#include "shovan/shovan_tool.h"

int main(int argc, char** argv) {
  try {
    qmx::ShovanTool tool;
    return qmx::RunProgram(tool, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
