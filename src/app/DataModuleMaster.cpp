#include "app/DataModuleMaster.h"

#include "widgets/FontDialog.h"

TdmMaster* dmMaster = nullptr;

TdmMaster::TdmMaster(QObject* Parent) : QObject(Parent)
{
    setObjectName(QStringLiteral("dmMaster"));
    dmMaster = this;
}

TdmMaster::~TdmMaster()
{
    if (dmMaster == this) dmMaster = nullptr;
}

TFontDialog& TdmMaster::FontDialog1()
{
    if (!FFontDialog1) FFontDialog1 = std::make_unique<TFontDialog>();
    return *FFontDialog1;
}
