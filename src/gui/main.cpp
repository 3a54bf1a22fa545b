#include "gui/Main.h"

int main(int argc, char **argv)
{
    return fendrel::gui::Main(argc, argv);
}
