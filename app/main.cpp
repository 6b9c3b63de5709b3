#include "app/Startup.h"

int main(int argc, char* argv[]) { return Voltcheck_User(argc, argv); }
