// quorbel-box: the box's launcher (runner/box_launch.h).
#include "runner/box_launch.h"

int main(int argc, char** argv) { return quorbel::runBoxLauncher(argc, argv); }
