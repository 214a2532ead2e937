#include <filesystem>
#include <string>
#include <vector>

#include "export/ExportSteps.h"
#include "formats/ExchangeDocument.h"
#include "formats/WorkTables.h"
#include "services/Table.h"
#include "services/Text.h"

// Days, time slots and periods: one school day's slots become the hours of every day of the
// week, numbered by start time, and the school day's dates become the timetable's period.
namespace qv {

namespace {

constexpr int kPrimerDia = 1;
constexpr int kUltimoDia = 7;

// The chosen school day. Without one (no school-day record, or the only one has no item)
// nothing matches, not even the slots whose school-day item is empty.
struct Plantilla {
    bool elegida = false;
    std::string clave;  // ANSI, trimmed

    bool coincide(const std::string& claveJornada) const {
        return elegida && claveJornada == clave;
    }
};

// At least two digits: 5 gives "05".
std::string dosCifras(long long n) {
    std::string s = std::to_string(n);
    return s.size() == 1 ? "0" + s : s;
}

// floor() semantics so that "rounded down" holds for any minute count.
long long divAbajo(long long a, long long b) {
    long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Minutes after midnight as hh:mm.
std::string textoHora(int minutos) {
    long long horas = divAbajo(minutos, 60);
    long long resto = static_cast<long long>(minutos) - horas * 60;
    return dosCifras(horas) + ":" + dosCifras(resto);
}

// Step 1 to 4: the old grids go, the three tables come back empty. The old JORNADAS.DBF goes
// with the run's commit, not here.
void recrearTablas(const std::filesystem::path& folder) {
    Table::removeFiles(folder, tablas::DIASHORAST.name);
    Table::removeFiles(folder, tablas::DIASHORAST2.name);
    Table::create(folder, tablas::DIASHORAST);
    Table::create(folder, tablas::DIASHORAST2);
    Table::create(folder, tablas::PERIODOS);
}

Plantilla elegirJornadaPlantilla(Session& session, UserPort& port) {
    std::vector<Registro> jornadas = registrosDe(*session.DocumentoXML, "JORNADAS_ESCOLARES");
    Plantilla plantilla;
    if (jornadas.size() <= 1) {
        if (!jornadas.empty() && jornadas.front().numDatos() > 0) {
            plantilla.elegida = true;
            plantilla.clave = jornadas.front().valor(0);
        }
    } else {
        // The dialog's answer counts whichever way it was closed.
        session.JornadaPlantilla.clear();
        plantilla.elegida = true;
        plantilla.clave = port.chooseHourTemplate(session.ArchivoXML);
    }
    session.JornadaPlantilla = plantilla.clave;
    return plantilla;
}

// Seven rows per slot of the chosen school day; HORA is the slot's place among all slots.
void repartirTramos(Session& session, const Plantilla& plantilla) {
    Table tabla(session.carpetaTrabajo, tablas::DIASHORAST2.fileName());
    tabla.open(OpenMode::Shared);
    int contador = 1;
    for (const Registro& tramo : registrosDe(*session.DocumentoXML, "TRAMOS_HORARIOS")) {
        if (!tramo.leible()) {
            continue;
        }
        const std::string clave = tramo.valor(0);
        const std::string etiqueta = tramo.valor(1);
        const std::string desde = tramo.valor(2);
        const std::string hasta = tramo.valor(3);
        const std::string jornada = tramo.valor(4);
        if (plantilla.coincide(jornada)) {
            // Converted once, before any of the slot's rows is started.
            const int inicio = toInteger(desde);
            const int fin = toInteger(hasta);
            const std::string hora = std::to_string(contador);
            for (int dia = kPrimerDia; dia <= kUltimoDia; ++dia) {
                tabla.append();
                tabla.setString("DIHO", std::to_string(dia) + hora);
                tabla.setString("CODDIHO", clave);
                tabla.setString("DIA", std::to_string(dia));
                tabla.setString("TEXTODIA", "");
                tabla.setString("HORA", hora);
                tabla.setString("TEXTOHOR", etiqueta);
                tabla.setString("HORADESDE", textoHora(inicio));
                tabla.setString("HORAHASTA", textoHora(fin));
                tabla.setString("MINUTOS", std::to_string(static_cast<long long>(fin) - inicio));
                tabla.setInteger("ORDEN", inicio);
                tabla.post();
            }
        }
        ++contador;
    }
    tabla.close();
}

// Hours by rank of start time: equal starts share an hour, and there are no gaps.
void numerarHoras(Session& session) {
    Table origen(session.carpetaTrabajo, tablas::DIASHORAST2.fileName());
    origen.open(OpenMode::Shared);
    origen.setIndexName("ORDEN");
    origen.first();
    int anterior = origen.eof() ? 0 : origen.asInteger("ORDEN");
    int hora = 1;

    Table destino(session.carpetaTrabajo, tablas::DIASHORAST.fileName());
    destino.open(OpenMode::Shared);
    for (; !origen.eof(); origen.next()) {
        const int orden = origen.asInteger("ORDEN");
        if (orden > anterior) {
            ++hora;
            anterior = orden;
        }
        const std::string dia = origen.asString("DIA");
        destino.append();
        destino.setString("DIHO", dia + std::to_string(hora));
        destino.setString("CODDIHO", origen.asString("CODDIHO"));
        destino.setString("DIA", dia);
        destino.setString("TEXTODIA", "");
        destino.setString("HORA", std::to_string(hora));
        for (const char* campo : {"TEXTOHOR", "HORADESDE", "HORAHASTA", "MINUTOS"}) {
            destino.setString(campo, origen.asString(campo));
        }
        destino.post();
    }
    destino.close();
    origen.close();
}

// Every school-day record with the chosen key, whatever its number of items.
void traspasarPeriodos(Session& session, const Plantilla& plantilla) {
    Table tabla(session.carpetaTrabajo, tablas::PERIODOS.fileName());
    tabla.open(OpenMode::Shared);
    for (const Registro& jornada : registrosDe(*session.DocumentoXML, "JORNADAS_ESCOLARES")) {
        const std::string clave = jornada.valor(0);
        if (!plantilla.coincide(clave)) {
            continue;
        }
        tabla.append();
        tabla.setString("CJORNADA", clave);
        tabla.setString("JORNADA", jornada.valor(1));
        tabla.setString("FECINI", jornada.valor(2));
        tabla.setString("FECFIN", jornada.valor(3));
        tabla.post();
    }
    tabla.close();
}

}  // namespace

void TraspasarJornadasYTramos(Session& session, UserPort& port) {
    recrearTablas(session.carpetaTrabajo);
    const Plantilla plantilla = elegirJornadaPlantilla(session, port);
    repartirTramos(session, plantilla);
    numerarHoras(session);
    traspasarPeriodos(session, plantilla);
}

}  // namespace qv
