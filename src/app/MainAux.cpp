// The main window's commands that open the auxiliary windows or the printer.
#include "app/Main.h"

void TMainForm::ConnectAuxActions() {}
