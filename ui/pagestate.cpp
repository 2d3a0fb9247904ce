#include "ui/pagestate.h"

QWidget *mainWindowInstance = nullptr;
