// Shovan: moves .qmx animations by X, Y and Z offsets.

#include "common/batch_driver.h"
#include "shovan/shovan_tool.h"

int main(int argc, char** argv) {
  qmx::ShovanTool tool;
  return qmx::RunProgram(tool, argc, argv);
}
