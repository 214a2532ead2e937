// Saving a document part by part gives the bytes save() gives for the whole, in every encoding,
// and leaves an earlier file alone when it cannot finish.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileSizeLimit.h"
#include "TableTestSupport.h"
#include "services/Error.h"
#include "services/XmlDocument.h"
#include "services/XmlPartWriter.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

std::string utf16le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Three records with an attribute and texts that need escaping or lie outside Latin-1.
void addRecords(XmlDocument& doc, XmlNode container, XmlPartWriter* writer) {
    for (int i = 1; i <= 3; ++i) {
        XmlNode record = doc.createElement("grupo_datos");
        record.setAttribute("seq", "REG_" + std::to_string(i) + " <\"&'>");
        container.appendChild(record);
        for (const char* text : {"a < b & c", "Año \xE2\x82\xAC \xCE\xA9", ""}) {
            XmlNode dato = doc.createElement("dato");
            dato.setAttribute("nombre_dato",
                              "N\xC3\xBA"
                              "mero");
            dato.setText(text);
            record.appendChild(dato);
        }
        if (writer != nullptr) {
            writer->write(record);
        }
    }
}

// The document loaded from SOURCE with its records added, saved whole and by parts.
void expectSameBytes(const std::string& source) {
    TempFolder folder;
    XmlDocument whole;
    XmlDocument parts;
    for (XmlDocument* doc : {&whole, &parts}) {
        doc->loadXml(source);
    }
    addRecords(whole, whole.documentElement().firstChild(), nullptr);
    whole.save(folder / "whole.xml");

    XmlNode container = parts.documentElement().firstChild();
    XmlPartWriter writer(parts, container, folder / "parts.xml");
    addRecords(parts, container, &writer);
    writer.finish();
    EXPECT_EQ(readBytes(folder / "parts.xml"), readBytes(folder / "whole.xml"));
    EXPECT_EQ(folder.entries(), 2) << "no temporary left";
}

TEST(XmlPartWriter, WritesWhatSavingTheWholeWrites) {
    struct Caso {
        const char* nombre;
        std::string source;
    };
    const Caso casos[] = {
        {"Latin-1 with comments around the root",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- antes -->\n"
         "<SERVICIO a=\"1\"><BLOQUE_DATOS><x>\xF1</x></BLOQUE_DATOS><despues/></SERVICIO>\n"
         "<!-- final -->"},
        {"UTF-8 without declaration, with a byte order mark",
         "\xEF\xBB\xBF<SERVICIO><BLOQUE_DATOS/></SERVICIO>"},
        {"declaration without encoding", "<?xml version='1.0'?><r><c/></r>"},
        {"Windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><c>\x80</c></r>"},
        {"UTF-16, kept whole", utf16le("<?xml version=\"1.0\"?><r><c/></r>")},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        expectSameBytes(caso.source);
    }
}

TEST(XmlPartWriter, AnEarlierFileStaysUntilTheWriterFinishes) {
    TempFolder folder;
    const fs::path target = folder / "salida.xml";
    writeBytes(target, "<anterior/>");

    // Given up half way: nothing changes, no temporary is left.
    {
        XmlDocument doc;
        doc.loadXml("<r><c/></r>");
        XmlNode container = doc.documentElement().firstChild();
        XmlPartWriter writer(doc, container, target);
        addRecords(doc, container, &writer);
    }
    EXPECT_EQ(readBytes(target), "<anterior/>");
    EXPECT_EQ(folder.entries(), 1);

    // The disk fills while the parts go out.
    XmlDocument doc;
    doc.loadXml("<r><c/></r>");
    XmlNode container = doc.documentElement().firstChild();
    try {
        test::FileSizeLimit discoLleno(8192);
        XmlPartWriter writer(doc, container, target);
        for (int i = 0; i < 200; ++i) {
            addRecords(doc, container, &writer);
        }
        writer.finish();
        ADD_FAILURE() << "no error";
    } catch (const XmlError& e) {
        EXPECT_EQ(std::string(e.what()), "No se puede guardar el archivo '" + target.string() +
                                             "': el archivo supera el tamaño máximo permitido");
    }
    EXPECT_EQ(readBytes(target), "<anterior/>");
    EXPECT_EQ(folder.entries(), 1);
}

TEST(XmlPartWriter, OnlyTheContainersLastChildCanBeWritten) {
    TempFolder folder;
    XmlDocument doc;
    doc.loadXml("<r><c><hijo/></c><otro/></r>");
    XmlNode container = doc.documentElement().firstChild();
    XmlPartWriter writer(doc, container, folder / "salida.xml");
    XmlNode first = doc.createElement("primero");
    container.appendChild(first);
    container.appendChild(doc.createElement("segundo"));
    EXPECT_THROW(writer.write(first), XmlError);
    EXPECT_THROW(writer.write(doc.documentElement().firstChild().firstChild()), XmlError)
        << "a child the container had before";
    EXPECT_THROW(writer.write(XmlNode()), XmlError);
}

}  // namespace
}  // namespace qv
