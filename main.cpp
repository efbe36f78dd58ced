#include "app/Application.h"

int main(int argc, char* argv[])
{
    return lyrovan::RunApplication(argc, argv);
}
