// RecallZorf --help: what the program does and the settings of its parameter file.
#pragma once

inline constexpr const char* kRecallZorfHelp =
    "Usage: RecallZorf parameter.file\n"
    "\n"
    "Recalls a trained six-layer fuzzy network on a data set: loads the network from the\n"
    "weight file, propagates every row of the recall file through it and writes the generated\n"
    "outputs as a data set file. A completed run prints nothing and exits with status 0; an\n"
    "error is reported on the console and ends the run with status 1.\n"
    "\n"
    "The parameter file is read word by word; each setting is a keyword (any letter case), a\n"
    "separator (conventionally \" = \") and its value, and words that are not keywords are\n"
    "skipped:\n"
    "  WeightFile = NAME    the network file to load\n"
    "  RecallFile = NAME    the data set file to recall\n"
    "  OutputFile = NAME    the data set file to write (default default.out)\n"
    "  #Features = N        how many input columns to keep\n"
    "  Features = C1 C2 ... the 0-based input columns to keep, in the network's order\n"
    "  Threads = N          threads that propagate the rows (0, the default, takes every core)\n"
    "\n"
    "Options, answered only as the one argument (a parameter file of such a name is given as\n"
    "./--help):\n"
    "  --help     this text\n"
    "  --version  the program's version\n"
    "\n"
    "Example: RecallZorf comfort.par\n";
