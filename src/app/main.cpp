#include "store/tockle_store.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TockleStore store;
    return 0;
}
