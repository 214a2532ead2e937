// quorvane-bench: the export and the import on synthetic schools of three sizes, each beside the
// time libxml2 alone takes to parse the same document, and whether the runs stay within their
// targets. Every measured run happens in a process of its own.
#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/DocumentoSintetico.h"
#include "bench/Medicion.h"
#include "bench/SolucSintetica.h"
#include "export/ExportRun.h"
#include "import/ImportRun.h"
#include "services/Paths.h"
#include "services/Session.h"
#include "services/UserPort.h"

namespace fs = std::filesystem;
using namespace qv::bench;

namespace {

constexpr double kExportFrenteAParseo = 4.0;
constexpr double kCrecimientoPorFila = 1.5;
constexpr double kMemoriaFrenteADocumento = 20.0;

// Answers a run the way a person would: the given document, school day 1, nothing else asked.
class PuertoDeMedida : public qv::UserPort {
public:
    explicit PuertoDeMedida(fs::path documento) : m_documento(std::move(documento)) {}
    std::optional<fs::path> chooseExchangeDocument() override { return m_documento; }
    void showMessage(const std::string& text) override { m_ultimo = text; }
    void setWaitCursor(bool) override {}
    std::string chooseHourTemplate(const fs::path&) override { return "1"; }
    void completeTeacherData() override {}
    void closeMainWindow() override {}
    const std::string& ultimoMensaje() const { return m_ultimo; }

private:
    fs::path m_documento;
    std::string m_ultimo;
};

std::string leer(const fs::path& archivo) {
    std::ifstream in(archivo, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path documentoEn(const fs::path& raiz) {
    return raiz / "sintetico.xml";
}
fs::path trabajoEn(const fs::path& raiz) {
    return raiz / "VTEMP";
}

std::optional<Tamano> tamanoLlamado(const std::string& nombre) {
    for (const Tamano& t : {tamanoEscuela(), tamanoDistrito(), tamanoRegion()}) {
        if (t.nombre == nombre) {
            return t;
        }
    }
    return std::nullopt;
}

// --- what the child processes do ---------------------------------------------------------

// The floor: the same bytes, the same options as the document service's load.
double parsear(const fs::path& documento) {
    const std::string bytes = leer(documento);
    const double inicio = ahora();
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    const double fin = ahora();
    if (doc == nullptr) {
        throw std::runtime_error("libxml2 cannot parse " + documento.string());
    }
    xmlFreeDoc(doc);
    return fin - inicio;
}

template <typename Run>
double ejecutar(const fs::path& raiz, Run run) {
    qv::Session session(trabajoEn(raiz), qv::programFolder());
    PuertoDeMedida port(documentoEn(raiz));
    const double inicio = ahora();
    run(session, port);
    const double fin = ahora();
    if (port.ultimoMensaje() != "Proceso finalizado") {
        throw std::runtime_error("the run ended with: " + port.ultimoMensaje());
    }
    return fin - inicio;
}

int hijo(const std::vector<std::string>& a) {
    if (a.size() != 3) {
        return 2;
    }
    const std::string& que = a[0];
    const fs::path raiz = a[2];
    // Before anything is read: what a process of this program holds to begin with.
    const long inicioKiB = residenteKiB();
    double segundos = 0;
    if (que == "generar") {
        const std::optional<Tamano> t = tamanoLlamado(a[1]);
        if (!t) {
            return 2;
        }
        fs::create_directories(trabajoEn(raiz));
        const std::string xml = documentoSintetico(*t);
        std::ofstream(documentoEn(raiz), std::ios::binary)
            .write(xml.data(), static_cast<std::streamsize>(xml.size()));
    } else if (que == "soluc") {
        escribirSolucSintetica(trabajoEn(raiz), tamanoLlamado(a[1])->filasSoluc);
    } else if (que == "nada") {
        // The floor of the memory: a process of this program that does nothing.
    } else if (que == "parsear") {
        segundos = parsear(documentoEn(raiz));
    } else if (que == "exportar") {
        segundos =
            ejecutar(raiz, [](qv::Session& s, qv::UserPort& p) { qv::BExportarClick(s, p); });
    } else if (que == "importar") {
        segundos =
            ejecutar(raiz, [](qv::Session& s, qv::UserPort& p) { qv::BImportarClick(s, p); });
    } else {
        return 2;
    }
    std::printf("%.6f %ld\n", segundos, inicioKiB);
    return 0;
}

// --- the parent ------------------------------------------------------------------------------

struct Resultado {
    Tamano tamano;
    std::uintmax_t bytesDocumento = 0;
    std::uintmax_t bytesResultado = 0;
    Medida parseo;
    Medida exportacion;
    Medida importacion;
};

// The fastest of VECES runs and the highest peak among them: the machine may be busy with
// something else, but it never makes a run faster or smaller.
Medida mejorDe(int veces, const std::vector<std::string>& argumentos) {
    Medida mejor = medirEnHijo(argumentos);
    for (int i = 1; i < veces; ++i) {
        const Medida otra = medirEnHijo(argumentos);
        mejor.segundos = std::min(mejor.segundos, otra.segundos);
        mejor.picoKiB = std::max(mejor.picoKiB, otra.picoKiB);
        mejor.propioKiB = std::max(mejor.propioKiB, otra.propioKiB);
    }
    return mejor;
}

Resultado medir(const Tamano& t, const fs::path& carpeta, int veces) {
    const fs::path raiz = carpeta / t.nombre;
    Resultado r;
    r.tamano = t;
    medirEnHijo({"--hijo", "generar", t.nombre, raiz.string()});
    r.bytesDocumento = fs::file_size(documentoEn(raiz));
    r.parseo = mejorDe(veces, {"--hijo", "parsear", t.nombre, raiz.string()});
    r.exportacion = mejorDe(veces, {"--hijo", "exportar", t.nombre, raiz.string()});
    medirEnHijo({"--hijo", "soluc", t.nombre, raiz.string()});
    r.importacion = mejorDe(veces, {"--hijo", "importar", t.nombre, raiz.string()});
    r.bytesResultado = fs::file_size(raiz / "ResultadoVelkorsintetico.xml");
    return r;
}

double mib(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

const char* cumple(bool si) {
    return si ? "met" : "NOT MET";
}

// The times, then the memory: each run's peak, and the part of it the run itself added to
// what the process held when it began (the figure the memory target is judged on).
void imprimirTablas(const std::vector<Resultado>& resultados) {
    std::printf("\n%-9s %8s %9s %9s %9s %9s %8s %9s\n", "size", "doc MiB", "parse s", "export s",
                "exp/parse", "import s", "out MiB", "us/row");
    for (const Resultado& r : resultados) {
        std::printf("%-9s %8.1f %9.3f %9.3f %9.2f %9.3f %8.1f %9.2f\n", r.tamano.nombre.c_str(),
                    mib(r.bytesDocumento), r.parseo.segundos, r.exportacion.segundos,
                    r.exportacion.segundos / r.parseo.segundos, r.importacion.segundos,
                    mib(r.bytesResultado), r.importacion.segundos / r.tamano.filasSoluc * 1e6);
    }
    std::printf("\n%-9s %11s %12s %12s %8s %12s %12s %8s\n", "size", "parse peak", "export peak",
                "export own", "own/doc", "import peak", "import own", "own/out");
    for (const Resultado& r : resultados) {
        const double expPropio = r.exportacion.propioKiB * 1024.0;
        const double impPropio = r.importacion.propioKiB * 1024.0;
        std::printf("%-9s %7.1f MiB %8.1f MiB %8.1f MiB %7.1fx %8.1f MiB %8.1f MiB %7.1fx\n",
                    r.tamano.nombre.c_str(), r.parseo.picoKiB / 1024.0,
                    r.exportacion.picoKiB / 1024.0, mib(expPropio), expPropio / r.bytesDocumento,
                    r.importacion.picoKiB / 1024.0, mib(impPropio), impPropio / r.bytesResultado);
    }
}

int informar(const std::vector<Resultado>& resultados, const Medida& base) {
    imprimirTablas(resultados);
    bool todos = true;
    std::printf("\nA process of this program that does nothing peaks at %.1f MiB.\n",
                base.picoKiB / 1024.0);
    std::printf("\nTargets:\n");
    for (const Resultado& r : resultados) {
        const double proporcion = r.exportacion.segundos / r.parseo.segundos;
        const bool bien = proporcion <= kExportFrenteAParseo;
        todos = todos && bien;
        std::printf("  export within %.0fx of the parse floor, %-8s: %5.2fx  %s\n",
                    kExportFrenteAParseo, r.tamano.nombre.c_str(), proporcion, cumple(bien));
    }
    const Resultado* primero = &resultados.front();
    const Resultado* ultimo = &resultados.back();
    if (resultados.size() > 1) {
        const double a = primero->importacion.segundos / primero->tamano.filasSoluc;
        const double b = ultimo->importacion.segundos / ultimo->tamano.filasSoluc;
        const bool bien = b / a <= kCrecimientoPorFila;
        todos = todos && bien;
        std::printf("  import cost per SOLUC row, %s against %s, within %.1fx: %5.2fx  %s\n",
                    ultimo->tamano.nombre.c_str(), primero->tamano.nombre.c_str(),
                    kCrecimientoPorFila, b / a, cumple(bien));
    }
    for (const Resultado& r : resultados) {
        const double exp = r.exportacion.propioKiB * 1024.0 / r.bytesDocumento;
        const double imp = r.importacion.propioKiB * 1024.0 / r.bytesResultado;
        const bool bien = exp < kMemoriaFrenteADocumento && imp < kMemoriaFrenteADocumento;
        todos = todos && bien;
        std::printf(
            "  memory a run adds under %.0fx its document, %-8s: export %5.1fx, import %5.1fx  "
            "%s\n",
            kMemoriaFrenteADocumento, r.tamano.nombre.c_str(), exp, imp, cumple(bien));
    }
    return todos ? 0 : 1;
}

int uso() {
    std::cerr << "usage: quorvane-bench [--sizes school,district,region] [--repeat N] [--keep]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (!args.empty() && args.front() == "--hijo") {
            return hijo(std::vector<std::string>(args.begin() + 1, args.end()));
        }
        std::vector<Tamano> tamanos{tamanoEscuela(), tamanoDistrito(), tamanoRegion()};
        bool conservar = false;
        int veces = 5;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--sizes" && i + 1 < args.size()) {
                tamanos.clear();
                std::stringstream lista(args[++i]);
                for (std::string nombre; std::getline(lista, nombre, ',');) {
                    const std::optional<Tamano> t = tamanoLlamado(nombre);
                    if (!t) {
                        return uso();
                    }
                    tamanos.push_back(*t);
                }
            } else if (args[i] == "--repeat" && i + 1 < args.size()) {
                veces = std::atoi(args[++i].c_str());
                if (veces < 1) {
                    return uso();
                }
            } else if (args[i] == "--keep") {
                conservar = true;
            } else {
                return uso();
            }
        }
        if (tamanos.empty()) {
            return uso();
        }
        // The region size needs some 400 MiB of files there; TMPDIR chooses the place.
        std::string plantilla = (fs::temp_directory_path() / "quorvane-bench-XXXXXX").string();
        if (::mkdtemp(plantilla.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder in " +
                                     fs::temp_directory_path().string());
        }
        const fs::path carpeta = plantilla;
        std::vector<Resultado> resultados;
        for (const Tamano& t : tamanos) {
            std::printf(
                "%s: %d teachers, %d subject records, %d units, %d time slots, %d SOLUC rows\n",
                t.nombre.c_str(), t.profesores, t.materias, t.unidades, t.tramos, t.filasSoluc);
            std::fflush(stdout);
            resultados.push_back(medir(t, carpeta, veces));
            if (!conservar) {
                fs::remove_all(carpeta / t.nombre);
            }
        }
        if (conservar) {
            std::printf("files kept in %s\n", carpeta.c_str());
        } else {
            fs::remove_all(carpeta);
        }
        const Medida base = medirEnHijo({"--hijo", "nada", "-", carpeta.string()});
        return informar(resultados, base);
    } catch (const std::exception& e) {
        std::cerr << "quorvane-bench: " << e.what() << '\n';
        return 1;
    }
}
