// The table engine's XML toolkit: a pull reader, a writer with its text
// sink, the tag lexer and the entity encoding.
#pragma once

#include "table/XmlParser.h"
#include "table/XmlText.h"
#include "table/XmlTextReader.h"
#include "table/XmlTextWriter.h"
