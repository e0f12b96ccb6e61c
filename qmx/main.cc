// qmx: the edits of gyrel, shovan, snipla and flipta for scripts and
// pipelines, a look inside .qmx files, and a picture of them.

#include "qmx/cli.h"

int main(int argc, char** argv) { return qmx::RunQmx(argc, argv); }
