#include "clalocadoura.h"

claLocadoura::~claLocadoura()
{
    moCombo = nullptr;
}

void claLocadoura::AttachTo(QComboBox* combo)
{
    moCombo = combo;
}
