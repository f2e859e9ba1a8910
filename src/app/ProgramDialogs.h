// The dialogs the program entry creates hidden after the main window: the
// settings, file information, rename and JPEG options windows.
#pragma once

#include <QDialog>

namespace vx {

class TMainForm;
class TRenameFileForm;
class ChangeQualityForm;

class ProgramDialogs {
public:
    explicit ProgramDialogs(TMainForm* main);
    ~ProgramDialogs();

    QDialog* SettingsForm = nullptr;
    QDialog* InfoForm = nullptr;
    TRenameFileForm* RenameFileForm = nullptr;
    ChangeQualityForm* QualityForm = nullptr;
};

}  // namespace vx
