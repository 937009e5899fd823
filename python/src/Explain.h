// Network.rules and Network.explain: the network's rules as data and every layer's values for
// rows, read by the library as ExplainZorf reads them.
#pragma once

#include <pybind11/pybind11.h>

namespace ZorfPython {

// Adds the methods to zorf.Network, which BindNetwork has bound already.
void BindExplain(pybind11::module_& module);

}  // namespace ZorfPython
