#include <cmath>
#include <map>

#include "export/ApoyoPasos.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"
#include "services/Text.h"

namespace qv {

namespace {

// Names compare upper-cased on a to z only and trimmed, so 'Matemáticas' and 'MATEMÁTICAS'
// stay different.
std::string formaComparable(std::string_view nombre) {
    return trimmed(upperAZ(nombre));
}

// ASIGNOMT's codes by comparable name; the first row of each name wins, as a search from the
// first row would, even when its code is empty.
std::map<std::string, std::string> leerCodigos(Table& asignomt) {
    std::map<std::string, std::string> codigos;
    for (asignomt.first(); !asignomt.eof(); asignomt.next()) {
        codigos.emplace(formaComparable(asignomt.asString("NOMBRE")), asignomt.asString("COD"));
    }
    return codigos;
}

struct Grupo {
    std::string abreviatura;
    std::string nivel;
    std::string curso;
    std::string grupo;
};

// GRUPOST's groups by course key, each course's in table order.
std::map<std::string, std::vector<Grupo>> leerGrupos(Table& grupost) {
    std::map<std::string, std::vector<Grupo>> grupos;
    for (grupost.first(); !grupost.eof(); grupost.next()) {
        grupos[grupost.asString("CLAVECURSO")].push_back(
            Grupo{grupost.asString("ABREV"), grupost.asString("NIVEL"), grupost.asString("CURSO"),
                  grupost.asString("GRUPO")});
    }
    return grupos;
}

struct Carga {
    double horas = 0;
    std::string sesiones;
};

// Weekly hours from the subject's minutes (blank: 240), rounded up, at least 1; one-hour
// lessons, with the surplus over thirteen written first as a number.
Carga cargaSemanal(const std::string& minutos) {
    const int total = toInteger(minutos.empty() ? std::string("240") : minutos);
    Carga carga;
    carga.horas = std::ceil(static_cast<double>(total) / 60.0);
    if (carga.horas < 1) {
        carga.horas = 1;
    }
    auto lecciones = static_cast<long long>(std::ceil(carga.horas));
    if (lecciones > 13) {
        carga.sesiones = std::to_string(lecciones - 13);
        lecciones = 13;
    }
    carga.sesiones.append(static_cast<std::size_t>(lecciones), '1');
    return carga;
}

}  // namespace

void TraspasarAsignaciones(Session& session) {
    Table::removeFiles(session.carpetaTrabajo, tablas::ASIGT.name);
    Table::create(session.carpetaTrabajo, tablas::ASIGT);
    Table asigt(session.carpetaTrabajo, tablas::ASIGT.fileName());
    TablaAbierta abiertaAsigt(asigt, OpenMode::Shared);

    TablaAbierta abiertaGrupos(session.wwTableGrupos, OpenMode::Exclusive);
    TablaAbierta abiertaNombres(session.wwTableNomAsg, OpenMode::Exclusive);
    const std::map<std::string, std::string> codigos = leerCodigos(session.wwTableNomAsg);
    const std::map<std::string, std::vector<Grupo>> grupos = leerGrupos(session.wwTableGrupos);

    for (const Registro& registro : registrosDelDocumento(session, "MATERIAS")) {
        if (!registro.leible()) {
            continue;
        }
        const std::string claveCurso = registro.valor(0);
        const std::string clave = registro.valor(1);
        const std::string nombre = registro.valor(2);
        const std::string minutos = registro.valor(4);

        const auto codigo = codigos.find(formaComparable(nombre.substr(0, 40)));
        if (codigo == codigos.end() || codigo->second.empty()) {
            continue;
        }
        const auto delCurso = grupos.find(claveCurso);
        if (delCurso == grupos.end()) {
            continue;
        }
        // Converted only once the subject has a group: a subject without rows raises nothing.
        const Carga carga = cargaSemanal(minutos);
        for (const Grupo& g : delCurso->second) {
            asigt.append();
            asigt.setString("CASIG", codigo->second);
            asigt.setString("CGRUP", g.abreviatura);
            asigt.setString("CAULA", "");
            asigt.setString("TURNO", "");
            asigt.setString("NIVEL", g.nivel);
            asigt.setString("CURSO", g.curso);
            asigt.setString("GRUPO", g.grupo);
            asigt.setFloat("HORAS", carga.horas);
            asigt.setString("SESIONES", carga.sesiones);
            asigt.setString("CLAVE", clave);
            asigt.setString("CLAVECURSO", claveCurso);
            asigt.setString("CTAREA", "513");
            asigt.post();
        }
    }

    abiertaAsigt.cerrar();
    abiertaNombres.cerrar();
    abiertaGrupos.cerrar();
}

}  // namespace qv
