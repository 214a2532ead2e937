#include "formats/WorkTables.h"

namespace qv::tablas {

namespace {

// The nine fields DIASHORAST and its working copy DIASHORAST2 share, in file order.
std::vector<FieldDef> camposDiasHoras() {
    return {
        textField("DIHO", 10),     textField("CODDIHO", 10),  textField("DIA", 20),
        textField("TEXTODIA", 20), textField("HORA", 8),      textField("TEXTOHOR", 15),
        textField("HORADESDE", 8), textField("HORAHASTA", 8), textField("MINUTOS", 8),
    };
}

std::vector<FieldDef> camposDiasHoras2() {
    std::vector<FieldDef> fields = camposDiasHoras();
    fields.push_back(integerField("ORDEN"));
    return fields;
}

}  // namespace

const TableSchema ASIGNOMT{"ASIGNOMT",
                           {
                               textField("COD", 4),
                               textField("CODLARGO", 8),
                               textField("NOMBRE", 40),
                               textField("CODTAREA", 12),
                               logicalField("ESTAREA"),
                           },
                           {}};

const TableSchema ASIGNOMT2{"ASIGNOMT2",
                            {
                                textField("COD", 4),
                                textField("CODLARGO", 8),
                                textField("NOMBRE", 40),
                                textField("MATERIA", 20),
                                textField("OFERTAMATRI", 20),
                                textField("CODTAREA", 12),
                                logicalField("ESTAREA"),
                            },
                            {}};

const TableSchema PROFT{"PROFT",
                        {
                            textField("ABREV", 4),
                            textField("NOMBRE", 40),
                            textField("DEPART", 40),
                            integerField("DNI"),
                            textField("X_EMPLEADO", 10),
                            textField("F_TOMAPOS", 10),
                        },
                        {}};

const TableSchema AULAT{"AULAT",
                        {
                            textField("ABREV", 4),
                            textField("NOMBRE", 40),
                            textField("EDIFICIO", 1),
                            integerField("MAXALUM"),
                            textField("DEPCENTRO", 10),
                        },
                        {}};

const TableSchema CURSOST{"CURSOST",
                          {
                              textField("ABREV", 3),
                              textField("TURNO", 1),
                              textField("NIVEL", 5),
                              textField("CURSO", 3),
                              textField("CLAVE", 10),
                              textField("ESTUD", 40),
                          },
                          {}};

const TableSchema GRUPOST{"GRUPOST",
                          {
                              textField("ABREV", 4),
                              textField("TURNO", 1),
                              textField("NIVEL", 5),
                              textField("CURSO", 3),
                              textField("GRUPO", 2),
                              textField("CLAVE", 10),
                              textField("CLAVECURSO", 10),
                              textField("DESCRIP", 40),
                          },
                          {}};

const TableSchema ASIGT{"ASIGT",
                        {
                            textField("CASIG", 4),
                            textField("CPROF", 4),
                            textField("CGRUP", 4),
                            textField("CAULA", 4),
                            textField("TURNO", 1),
                            textField("NIVEL", 5),
                            textField("CURSO", 3),
                            textField("GRUPO", 2),
                            floatField("HORAS"),
                            textField("SESIONES", 20),
                            textField("CLAVE", 10),
                            textField("CLAVECURSO", 10),
                            textField("CTAREA", 4),
                        },
                        {}};

const TableSchema DIASHORAST{"DIASHORAST", camposDiasHoras(), {}};

const TableSchema DIASHORAST2{"DIASHORAST2", camposDiasHoras2(), {IndexDef{"ORDEN", "ORDEN"}}};

const TableSchema PERIODOS{"PERIODOS",
                           {
                               textField("CJORNADA", 10),
                               textField("JORNADA", 40),
                               textField("FECINI", 10),
                               textField("FECFIN", 10),
                           },
                           {}};

const TableSchema NIVELCAN{"NIVELCAN",
                           {
                               integerField("X_OFERTAMATRIG"),
                               textField("NIVEL_ABREV", 5),
                               textField("ESTUDIO", 40),
                           },
                           {}};

const std::vector<const TableSchema*>& carpetaDeTrabajo() {
    static const std::vector<const TableSchema*> tables = {
        &ASIGNOMT, &ASIGNOMT2, &PROFT,      &AULAT,       &CURSOST,
        &GRUPOST,  &ASIGT,     &DIASHORAST, &DIASHORAST2, &PERIODOS,
    };
    return tables;
}

}  // namespace qv::tablas
