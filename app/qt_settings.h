#pragma once

namespace kryvet {

// Qt's own file dialog keeps its history, last folder and layout in a
// settings file in the user's configuration folder, reads it when it is
// created and writes it when it is destroyed. This program keeps nothing
// between runs, so Qt's settings are pointed at a place where no file can
// be read or made. For the whole process; before any form is made.
void KeepQtSettingsOffDisk();

}  // namespace kryvet
