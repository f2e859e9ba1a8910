#include "app/ProgramDialogs.h"

#include "app/MainForm.h"
#include "desktop/ui/InfoForm.h"
#include "export/ui/ChangeQualityForm.h"
#include "settings/ui/SettingsForm.h"
#include "viewer/ui/RenameFileForm.h"

namespace vx {

ProgramDialogs::ProgramDialogs(TMainForm* main)
{
    SettingsForm = new TSettingsForm(main);
    InfoForm = new vx::InfoForm(main);
    RenameFileForm = new TRenameFileForm(main);
    QualityForm = new ChangeQualityForm(main);
    QualityForm->setObjectName(QStringLiteral("ChangeQualityForm"));
    main->setDialogs(SettingsForm, InfoForm, RenameFileForm, QualityForm);
}

// The dialogs are children of the main window and go with it.
ProgramDialogs::~ProgramDialogs() = default;

}  // namespace vx
