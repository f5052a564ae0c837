#include "app/ClientApp.h"

int main(int argc, char** argv)
{
    CClientApp app;
    return app.InitInstance(argc, argv);
}
