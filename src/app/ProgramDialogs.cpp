#include "app/ProgramDialogs.h"

#include "app/MainForm.h"
#include "desktop/ui/InfoForm.h"
#include "export/ui/ChangeQualityForm.h"
#include "settings/ui/SettingsForm.h"
#include "viewer/ui/RenameFileForm.h"

namespace vx {

ProgramDialogs::ProgramDialogs(MainForm* main)
{
    SettingsForm = new vx::SettingsForm(main);
    InfoForm = new vx::InfoForm(main);
    RenameFileForm = new vx::RenameFileForm(main);
    QualityForm = new ChangeQualityForm(main);
    QualityForm->setObjectName(QStringLiteral("ChangeQualityForm"));
    main->setDialogs(SettingsForm, InfoForm, RenameFileForm, QualityForm);
}

// The dialogs are children of the main window and go with it.
ProgramDialogs::~ProgramDialogs() = default;

}  // namespace vx
