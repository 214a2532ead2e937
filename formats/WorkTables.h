#pragma once

#include <vector>

#include "services/TableSchema.h"

// The catalogue of the tables the tool writes: one schema each, fields in file order.
namespace qv::tablas {

extern const TableSchema ASIGNOMT;
extern const TableSchema ASIGNOMT2;
extern const TableSchema PROFT;
extern const TableSchema AULAT;
extern const TableSchema CURSOST;
extern const TableSchema GRUPOST;
extern const TableSchema ASIGT;
extern const TableSchema DIASHORAST;
extern const TableSchema DIASHORAST2;
extern const TableSchema PERIODOS;
// The level table that comes with the tool (file NIVELCAN.DBF beside the executable).
extern const TableSchema NIVELCAN;

// The ten tables of the work folder, in the order the export writes them.
const std::vector<const TableSchema*>& carpetaDeTrabajo();

}  // namespace qv::tablas
