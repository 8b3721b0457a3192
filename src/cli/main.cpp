#include "cli/entry.h"

int main(int argc, char** argv) { return quorbel::runEntry(argc, argv); }
