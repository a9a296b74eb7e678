#pragma once

// Everything velkaro-mkbase offers to programs and tests that need directory files: the Jet 4 writer, CSV import,
// generated directories and the command line.
#include "AccessFileKind.h"
#include "DirectoryGenerator.h"
#include "GenerateDirectory.h"
#include "Jet4TableWriter.h"
#include "ParseColumnList.h"
#include "RunMkBase.h"
#include "WriteMdbFromCsv.h"
