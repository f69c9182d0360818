#include "app/application.h"

int main(int argc, char** argv) { return vlm::RunApplication(argc, argv); }
