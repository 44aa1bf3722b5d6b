#include "app/DataModuleMaster.h"

#include "widgets/FontDialog.h"

TdmMaster* dmMaster = nullptr;

TdmMaster::TdmMaster(QObject* Parent)
    : QObject(Parent), FontDialog1(std::make_unique<TFontDialog>())
{
    setObjectName(QStringLiteral("dmMaster"));
    dmMaster = this;
}

TdmMaster::~TdmMaster()
{
    if (dmMaster == this) dmMaster = nullptr;
}
