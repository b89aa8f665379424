// One fuzz input for the dBase reader, read as every database table reader
// reads its fuzz inputs. The fuzz target and the corpus replay test share
// this path.
#pragma once

#include <string_view>

#include "fuzz/database_reader_input.h"
#include "import/readers/DBF.h"

inline void ReadDbfInput(std::string_view bytes) { ReadDatabaseInput<TDBF>(bytes); }
