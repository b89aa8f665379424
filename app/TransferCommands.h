// The editor's "Export data" and "Import data" commands. The export and
// import suites share the names of their enumerations (targets, results,
// wizard styles), so each wizard is driven from a unit of its own.
#pragma once

#include "component/ksdatabase/ksVirtualTable.h"

// The export wizard over the open table; it starts with the table file's
// name, which takes the chosen target's extension.
void RunExportWizard(TksVirtualTable& table, const String& fileName);
// The import wizard with the table as its destination, open or not.
void RunImportWizard(TksVirtualTable& table);
