#include <gtest/gtest.h>

#include <set>
#include <string>

#include "formats/WorkTables.h"

using namespace qv;

namespace {

// A schema written compactly: "NAME C10" text of 10, "NAME I" integer, "NAME L" logical,
// "NAME F" float, separated by commas.
std::string describe(const TableSchema& t) {
    std::string out;
    for (const FieldDef& f : t.fields) {
        if (!out.empty()) {
            out += ",";
        }
        out += f.name + " ";
        switch (f.kind) {
            case FieldKind::Text:
                out += "C" + std::to_string(f.width);
                break;
            case FieldKind::Integer:
                out += "I";
                break;
            case FieldKind::Logical:
                out += "L";
                break;
            case FieldKind::Float:
                out += "F";
                break;
        }
    }
    return out;
}

struct SchemaCase {
    const TableSchema* table;
    const char* name;
    const char* fields;
};

void PrintTo(const SchemaCase& c, std::ostream* os) {
    *os << c.name;
}

class Catalogue : public ::testing::TestWithParam<SchemaCase> {};

TEST_P(Catalogue, FieldsKindsWidthsInOrder) {
    EXPECT_EQ(GetParam().table->name, GetParam().name);
    EXPECT_EQ(GetParam().table->fileName(), std::string(GetParam().name) + ".DBF");
    EXPECT_EQ(describe(*GetParam().table), GetParam().fields);
}

const char* const kDiasHoras =
    "DIHO C10,CODDIHO C10,DIA C20,TEXTODIA C20,HORA C8,TEXTOHOR C15,HORADESDE C8,"
    "HORAHASTA C8,MINUTOS C8";

INSTANTIATE_TEST_SUITE_P(
    Tables, Catalogue,
    ::testing::Values(
        SchemaCase{&tablas::ASIGNOMT, "ASIGNOMT",
                   "COD C4,CODLARGO C8,NOMBRE C40,CODTAREA C12,ESTAREA L"},
        SchemaCase{&tablas::ASIGNOMT2, "ASIGNOMT2",
                   "COD C4,CODLARGO C8,NOMBRE C40,MATERIA C20,OFERTAMATRI C20,CODTAREA C12,"
                   "ESTAREA L"},
        SchemaCase{&tablas::PROFT, "PROFT",
                   "ABREV C4,NOMBRE C40,DEPART C40,DNI I,X_EMPLEADO C10,F_TOMAPOS C10"},
        SchemaCase{&tablas::AULAT, "AULAT",
                   "ABREV C4,NOMBRE C40,EDIFICIO C1,MAXALUM I,DEPCENTRO C10"},
        SchemaCase{&tablas::CURSOST, "CURSOST",
                   "ABREV C3,TURNO C1,NIVEL C5,CURSO C3,CLAVE C10,ESTUD C40"},
        SchemaCase{&tablas::GRUPOST, "GRUPOST",
                   "ABREV C4,TURNO C1,NIVEL C5,CURSO C3,GRUPO C2,CLAVE C10,CLAVECURSO C10,"
                   "DESCRIP C40"},
        SchemaCase{&tablas::ASIGT, "ASIGT",
                   "CASIG C4,CPROF C4,CGRUP C4,CAULA C4,TURNO C1,NIVEL C5,CURSO C3,GRUPO C2,"
                   "HORAS F,SESIONES C20,CLAVE C10,CLAVECURSO C10,CTAREA C4"},
        SchemaCase{&tablas::DIASHORAST, "DIASHORAST", kDiasHoras},
        SchemaCase{&tablas::DIASHORAST2, "DIASHORAST2",
                   "DIHO C10,CODDIHO C10,DIA C20,TEXTODIA C20,HORA C8,TEXTOHOR C15,HORADESDE C8,"
                   "HORAHASTA C8,MINUTOS C8,ORDEN I"},
        SchemaCase{&tablas::PERIODOS, "PERIODOS", "CJORNADA C10,JORNADA C40,FECINI C10,FECFIN C10"},
        SchemaCase{&tablas::NIVELCAN, "NIVELCAN", "X_OFERTAMATRIG I,NIVEL_ABREV C5,ESTUDIO C40"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Catalogue, OnlyDiasHoras2HasAnIndex) {
    ASSERT_EQ(tablas::DIASHORAST2.indexes.size(), 1u);
    EXPECT_EQ(tablas::DIASHORAST2.indexes[0].name, "ORDEN");
    EXPECT_EQ(tablas::DIASHORAST2.indexes[0].field, "ORDEN");
    for (const TableSchema* t : tablas::carpetaDeTrabajo()) {
        if (t != &tablas::DIASHORAST2) {
            EXPECT_TRUE(t->indexes.empty()) << t->name;
        }
    }
    EXPECT_TRUE(tablas::NIVELCAN.indexes.empty());
}

TEST(Catalogue, TheWorkFolderHoldsTheTenTables) {
    std::string names;
    for (const TableSchema* t : tablas::carpetaDeTrabajo()) {
        names += t->name + " ";
    }
    EXPECT_EQ(names,
              "ASIGNOMT ASIGNOMT2 PROFT AULAT CURSOST GRUPOST ASIGT DIASHORAST DIASHORAST2 "
              "PERIODOS ");
}

}  // namespace
