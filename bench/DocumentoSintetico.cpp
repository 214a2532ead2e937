#include "bench/DocumentoSintetico.h"

#include <cstdio>

namespace qv::bench {

namespace {

constexpr int kUnidadesPorCurso = 3;
constexpr int kMateriasPorCurso = 30;
// How many courses share each subject name.
constexpr int kCursosPorMateria = 4;
constexpr int kMinutosPorTramo = 25;

// A four-character code unique for N below 36^3: LETTER followed by N in base 36.
std::string codigo(char letra, int n) {
    static const char* const kDigitos = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string texto(4, '0');
    texto[0] = letra;
    for (int i = 3; i >= 1; --i) {
        texto[static_cast<std::size_t>(i)] = kDigitos[n % 36];
        n /= 36;
    }
    return texto;
}

class Escritor {
public:
    void abrirGrupo(const char* seq, int registros) {
        m_xml += "    <grupo_datos seq=\"";
        m_xml += seq;
        m_xml += "\" registros=\"" + std::to_string(registros) + "\">\n";
    }
    void cerrarGrupo() { m_xml += "    </grupo_datos>\n"; }
    void abrirRegistro() { m_xml += "      <grupo_datos>\n"; }
    void cerrarRegistro() { m_xml += "      </grupo_datos>\n"; }
    // VALOR is Latin-1 and holds nothing that needs escaping.
    void dato(const char* nombre, const std::string& valor) {
        m_xml += "        <dato nombre_dato=\"";
        m_xml += nombre;
        m_xml += "\">" + valor + "</dato>\n";
    }
    std::string& xml() { return m_xml; }

private:
    std::string m_xml;
};

void cursos(Escritor& e, int n) {
    e.abrirGrupo("CURSOS_DEL_CENTRO", n);
    for (int c = 0; c < n; ++c) {
        e.abrirRegistro();
        e.dato("X_OFERTAMATRIG", std::to_string(100000 + c));
        e.dato("D_OFERTAMATRIG", std::to_string(c % 4 + 1) + "\xBA Curso " + std::to_string(c));
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void unidades(Escritor& e, int n) {
    e.abrirGrupo("UNIDADES", n);
    for (int u = 0; u < n; ++u) {
        e.abrirRegistro();
        e.dato("X_UNIDAD", std::to_string(700000 + u));
        e.dato("T_NOMBRE", codigo('U', u) + " grupo " +
                               std::string(1, static_cast<char>('A' + u % kUnidadesPorCurso)));
        e.dato("X_OFERTAMATRIG", std::to_string(100000 + u / kUnidadesPorCurso));
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void materias(Escritor& e, int n) {
    e.abrirGrupo("MATERIAS", n);
    const int nombres = n / kCursosPorMateria;
    for (int m = 0; m < n; ++m) {
        const int curso = m / kMateriasPorCurso;
        // The same name comes back every few courses, as Mathematics does in every year.
        const int nombre = (curso / kCursosPorMateria) * kMateriasPorCurso + m % kMateriasPorCurso;
        const int k = nombre % nombres;
        e.abrirRegistro();
        e.dato("X_OFERTAMATRIG", std::to_string(100000 + curso));
        e.dato("X_MATERIA", std::to_string(600000 + m));
        e.dato("D_MATERIA",
               "Materia espec\xED"
               "fica " +
                   std::to_string(k));
        e.dato("C_MATERIA", codigo('S', k));
        e.dato("N_MINUTOS", std::to_string(60 * (1 + m % 5)));
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void actividades(Escritor& e) {
    const char* const nombres[] = {"Guardia",
                                   "Tutor\xED"
                                   "a con familias",
                                   "Reuni\xF3n de departamento",
                                   "Biblioteca",
                                   "Recreo",
                                   "Coordinaci\xF3n"};
    e.abrirGrupo("ACTIVIDADES", 6);
    for (int a = 0; a < 6; ++a) {
        e.abrirRegistro();
        e.dato("X_ACTIVIDAD", std::to_string(901 + a));
        e.dato("C_ACTIVIDAD", std::to_string(2 + 7 * a));
        e.dato("D_ACTIVIDAD", nombres[a]);
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void empleados(Escritor& e, int n) {
    const char* const apellidos[] = {
        "Garc\xED"
        "a",
        "L\xF3pez",
        "Mart\xEDnez",
        "S\xE1nchez",
        "P\xE9rez",
        "Mu\xF1oz",
        "G\xF3mez",
        "D\xED"
        "az"};
    e.abrirGrupo("EMPLEADOS", n);
    for (int p = 0; p < n; ++p) {
        char fecha[16];
        std::snprintf(fecha, sizeof fecha, "01/09/%04d", 1990 + p % 30);
        e.abrirRegistro();
        e.dato("X_EMPLEADO", std::to_string(1000000 + p));
        e.dato("F_TOMAPOS", fecha);
        e.dato("D_DEPARTAMENTO", "Departamento " + std::to_string(p % 20));
        e.dato("T_APELLIDO1", apellidos[p % 8]);
        e.dato("T_APELLIDO2", apellidos[(p / 8) % 8]);
        e.dato("T_NOMBRE", "Nombre" + std::to_string(p));
        e.dato("C_ABREVIATURA", codigo('P', p));
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void dependencias(Escritor& e, int n) {
    e.abrirGrupo("DEPENDENCIAS", n);
    for (int d = 0; d < n; ++d) {
        e.abrirRegistro();
        e.dato("C_DEPENDENCIA", codigo('A', d));
        e.dato("D_DEPENDENCIA", "Aula " + std::to_string(d));
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

void jornadasYTramos(Escritor& e, int tramos) {
    e.abrirGrupo("JORNADAS_ESCOLARES", 1);
    e.abrirRegistro();
    e.dato("X_JORNADA", "1");
    e.dato("D_JORNADA",
           "Jornada de ma\xF1"
           "ana y tarde");
    e.dato("F_INICIO", "15/09/2026");
    e.dato("F_FIN", "22/06/2027");
    e.cerrarRegistro();
    e.cerrarGrupo();

    e.abrirGrupo("TRAMOS_HORARIOS", tramos);
    for (int t = 0; t < tramos; ++t) {
        const int inicio = 480 + t * kMinutosPorTramo;
        e.abrirRegistro();
        e.dato("X_TRAMO", std::to_string(201 + t));
        e.dato("D_TRAMO", std::to_string(t + 1) + "\xAA hora");
        e.dato("N_INICIO", std::to_string(inicio));
        e.dato("N_FIN", std::to_string(inicio + kMinutosPorTramo));
        e.dato("X_JORNADA", "1");
        e.cerrarRegistro();
    }
    e.cerrarGrupo();
}

}  // namespace

Tamano tamanoEscuela() {
    return {"school", 200, 600, 60, 30, 6000};
}

Tamano tamanoDistrito() {
    return {"district", 2000, 6000, 600, 30, 60000};
}

Tamano tamanoRegion() {
    return {"region", 20000, 60000, 6000, 30, 600000};
}

std::string documentoSintetico(const Tamano& t) {
    Escritor e;
    e.xml() =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<SERVICIO modulo=\"HORARIOS\" tipo=\"E\" autor=\"ONDIVIA\" fecha=\"07/09/2026 "
        "10:15:42\">\n"
        "  <BLOQUE_DATOS>\n"
        "    <grupo_datos seq=\"ANNO_ACADEMICO\">\n"
        "      <dato nombre_dato=\"C_ANNO\">2026</dato>\n"
        "    </grupo_datos>\n";
    cursos(e, t.unidades / kUnidadesPorCurso);
    unidades(e, t.unidades);
    materias(e, t.materias);
    actividades(e);
    empleados(e, t.profesores);
    dependencias(e, t.unidades);
    jornadasYTramos(e, t.tramos);
    e.xml() += "  </BLOQUE_DATOS>\n</SERVICIO>\n";
    return std::move(e.xml());
}

}  // namespace qv::bench
