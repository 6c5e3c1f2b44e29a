// Installs this subsystem's detection and readers into the shell's reader interface
// (app/import_readers.h). Called once at start-up, before the first data file is read.
#pragma once

void RegisterImportReaders();
