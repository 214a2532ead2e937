// TraspasarHorarios over small work-folder tables: numbering, counting, the DIA 0 rows, the
// teacher filter and every lookup with its failure.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "formats/ExchangeDocument.h"
#include "formats/WorkTables.h"
#include "import/TablasImportacion.h"
#include "import/TraspasarHorarios.h"
#include "services/Error.h"
#include "services/Session.h"

namespace qv {
namespace {

using prueba::Datos;
using prueba::Fila;
using prueba::Leccion;

class Horarios : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& c = m_carpeta.ruta();
        prueba::crearTablasVacias(c);
        prueba::crearTabla(
            c, tablas::PROFT,
            {
                {{"ABREV", "ANA"}, {"X_EMPLEADO", "1001"}, {"F_TOMAPOS", "01/09/2004"}},
                {{"ABREV", "O'B"}, {"X_EMPLEADO", "1002"}, {"F_TOMAPOS", "02/09/2004"}},
                {{"ABREV", "LUI"}, {"X_EMPLEADO", "1003"}, {"F_TOMAPOS", "03/09/2004"}},
                {{"ABREV", "CER"}, {"X_EMPLEADO", "1004"}, {"F_TOMAPOS", "04/09/2004"}},
            });
        prueba::crearTabla(
            c, tablas::ASIGT,
            {
                {{"CASIG", "MAT"}, {"CGRUP", "1A"}, {"CLAVE", "M100"}, {"CLAVECURSO", "C10"}},
                {{"CASIG", "MAT"}, {"CGRUP", "1A"}, {"CLAVE", "M999"}, {"CLAVECURSO", "C99"}},
                {{"CASIG", "LEN"}, {"CGRUP", "1B"}, {"CLAVE", "L200"}, {"CLAVECURSO", "C20"}},
            });
        prueba::crearTabla(c, tablas::ASIGNOMT,
                           {
                               {{"COD", "MAT"}, {"NOMBRE", "Matem\xE1ticas"}},
                               {{"COD", "GUAR"}, {"CODTAREA", "T77"}},
                               {{"COD", "GUAR"}, {"CODTAREA", "T88"}},
                               {{"COD", "FIS"}},
                           });
        prueba::crearTabla(c, tablas::DIASHORAST,
                           {
                               {{"DIHO", "11"},
                                {"CODDIHO", "TR11"},
                                {"DIA", "1"},
                                {"HORA", "1"},
                                {"HORADESDE", "9:00"},
                                {"HORAHASTA", "10:15"}},
                               {{"DIHO", "11"},
                                {"CODDIHO", "TRXX"},
                                {"DIA", "9"},
                                {"HORADESDE", "11:00"},
                                {"HORAHASTA", "12:00"}},
                               {{"DIHO", "23"},
                                {"CODDIHO", "TR23"},
                                {"DIA", "2"},
                                {"HORA", "3"},
                                {"HORADESDE", "08:30"},
                                {"HORAHASTA", "09:25"}},
                               {{"DIHO", "110"},
                                {"CODDIHO", "TR110"},
                                {"DIA", "1"},
                                {"HORA", "10"},
                                {"HORADESDE", "13:05"},
                                {"HORAHASTA", "14:00"}},
                           });
        prueba::crearTabla(c, tablas::GRUPOST,
                           {
                               {{"ABREV", "1A"}, {"CLAVE", "U1A"}, {"CLAVECURSO", "C10"}},
                               {{"ABREV", "1B"}, {"CLAVE", "U1B"}, {"CLAVECURSO", "C2G"}},
                               {{"ABREV", "2C"}, {"CLAVE", "U2C"}, {"CLAVECURSO", "C30"}},
                               {{"ABREV", "2C"}, {"CLAVE", "U2X"}, {"CLAVECURSO", "C3X"}},
                           });
        prueba::crearTabla(c, tablas::ASIGNOMT2,
                           {
                               {{"COD", "FIS"}, {"MATERIA", "F999"}, {"OFERTAMATRI", "C99"}},
                               {{"COD", "FIS"}, {"MATERIA", "F300"}, {"OFERTAMATRI", "C30"}},
                               {{"COD", "FIS"}, {"MATERIA", "F301"}, {"OFERTAMATRI", "C30"}},
                           });
        prueba::escribirSoluc(c / "SOLUC.DBF", {
                                                   {"ANA", 1, 1, "MAT", "1A", "", "A1"},
                                                   {"ana", 1, 1, "MAT", "1A", "", ""},
                                                   {"ANA", 0, 2, "MAT", "1A", "", ""},
                                                   {"O'B", 1, 1, "MAT", "1A", "TX", ""},
                                                   {"ANA", 9, 9, "GUAR", "1B", "", "    "},
                                                   {"OB", 2, 3, "MAT", "1A", "", ""},
                                                   {"ANA", 2, 3, "FIS", "2C", "TSOL", " B2"},
                                                   {"CER", 0, 1, "MAT", "1A", "", ""},
                                                   {"ANA", 1, 10, "LEN", "1B", "", ""},
                                                   {"CER", 0, 2, "MAT", "1A", "", ""},
                                               });
    }

    // Runs the step on a document that holds just the header.
    XmlNode horarios() {
        m_doc.loadXml("<SERVICIO><BLOQUE_DATOS><x>2026</x></BLOQUE_DATOS></SERVICIO>");
        XmlNode bloque = escribirCabecera(m_doc, "01/01/2027 9:00:00", "2026");
        TablasImportacion abiertas(m_session);
        TraspasarHorarios(m_doc, bloque, m_session, {"01/09/2026", "30/06/2027"});
        return m_doc.selectSingleNode("/SERVICIO/BLOQUE_DATOS/grupo_datos[2]");
    }

    prueba::CarpetaTemporal m_carpeta;
    Session m_session{m_carpeta.ruta(), m_carpeta.ruta()};
    XmlDocument m_doc;
};

Datos actividad(const char* dia, const char* tramo, const char* aula, const char* unidad,
                const char* curso, const char* materia, const char* ini, const char* fin,
                const char* tarea) {
    return {{"N_DIASEMANA", dia},       {"X_TRAMO", tramo},        {"X_DEPENDENCIA", aula},
            {"X_UNIDAD", unidad},       {"X_OFERTAMATRIG", curso}, {"X_MATERIAOMG", materia},
            {"F_INICIO", "01/09/2026"}, {"F_FIN", "30/06/2027"},   {"N_HORINI", ini},
            {"N_HORFIN", fin},          {"X_ACTIVIDAD", tarea}};
}

TEST_F(Horarios, UnRegistroPorProfesorYUnaActividadPorLeccion) {
    const XmlNode grupo = horarios();
    ASSERT_TRUE(grupo);
    EXPECT_EQ(grupo.attribute("seq"), "HORARIOS_REGULARES");
    EXPECT_EQ(grupo.attribute("registros"), "4");

    const auto profesores = prueba::gruposDe(grupo);
    ASSERT_EQ(profesores.size(), 4u);
    const char* esperados[][4] = {{"HORARIO_REGULAR_PROFESOR_1", "4", "1001", "01/09/2004"},
                                  {"HORARIO_REGULAR_PROFESOR_2", "1", "1002", "02/09/2004"},
                                  {"HORARIO_REGULAR_PROFESOR_3", "0", "1003", "03/09/2004"},
                                  {"HORARIO_REGULAR_PROFESOR_4", "0", "1004", "04/09/2004"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(esperados[i][0]);
        EXPECT_EQ(profesores[i].attribute("seq"), esperados[i][0]);
        EXPECT_EQ(profesores[i].attribute("registros"), esperados[i][1]);
        EXPECT_EQ(prueba::datosDe(profesores[i]),
                  (Datos{{"X_EMPLEADO", esperados[i][2]}, {"F_TOMAPOS", esperados[i][3]}}));
        EXPECT_EQ(prueba::gruposDe(profesores[i]).size(), std::stoul(esperados[i][1]));
    }

    // ANA: ASIGT found; no task anywhere; an activity with no slot right after one with a
    // slot; the course from GRUPOST and the subject from ASIGNOMT2; ASIGT's course kept.
    const auto ana = prueba::gruposDe(profesores[0]);
    ASSERT_EQ(ana.size(), 4u);
    const Datos esperadas[] = {
        actividad("1", "TR11", "A1", "U1A", "C10", "M100", "540", "615", "513"),
        actividad("", "", "", "U1B", "C2G", "", "0", "0", "T77"),
        actividad("2", "TR23", " B2", "U2C", "C30", "F300", "510", "565", "TSOL"),
        actividad("1", "TR110", "", "U1B", "C20", "L200", "785", "840", "513"),
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ana[i].attribute("seq"), "ACTIVIDAD_" + std::to_string(i + 1));
        EXPECT_EQ(prueba::datosDe(ana[i]), esperadas[i]);
        EXPECT_TRUE(prueba::gruposDe(ana[i]).empty());
    }

    // The quote in O'B selects that teacher's row only, not OB's; numbering restarts at 1.
    const auto ob = prueba::gruposDe(profesores[1]);
    ASSERT_EQ(ob.size(), 1u);
    EXPECT_EQ(ob[0].attribute("seq"), "ACTIVIDAD_1");
    EXPECT_EQ(prueba::datosDe(ob[0]),
              actividad("1", "TR11", "", "U1A", "C10", "M100", "540", "615", "TX"));
}

TEST_F(Horarios, UnaHoraQueNoEsEnteraTerminaElPaso) {
    prueba::crearTabla(m_carpeta.ruta(), tablas::DIASHORAST,
                       {{{"DIHO", "11"}, {"HORADESDE", "8:5"}, {"HORAHASTA", "09:00"}}});
    try {
        horarios();
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "':5' no es un valor entero válido");
    }
}

TEST_F(Horarios, SinProfesoresQuedaElGrupoVacio) {
    prueba::crearTabla(m_carpeta.ruta(), tablas::PROFT, {});
    const XmlNode grupo = horarios();
    EXPECT_EQ(grupo.attribute("registros"), "0");
    EXPECT_TRUE(prueba::gruposDe(grupo).empty());
}

}  // namespace
}  // namespace qv
