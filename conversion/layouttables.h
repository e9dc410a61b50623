#pragma once
// Tables that lay a page out rather than hold data: a table one of whose cells holds a
// heading, a list, a block of code, a quotation, a form, a rule or a table of its own. A deck
// shows each row of a table as one row of a phone's screen, so the page in such a table would
// read as one long row of cells; taken out of its table, each cell reads as a block of its own.

#include <libxml/tree.h>

namespace tavro::conversion {

/// Replaces every layout table below root by its cells, each a div in reading order (a cell's
/// id and a table's stay on the div that takes their place); a data table, and a data table
/// inside a layout table, stays as it is. Returns how many tables went.
int unwrapLayoutTables(xmlNodePtr root);

} // namespace tavro::conversion
