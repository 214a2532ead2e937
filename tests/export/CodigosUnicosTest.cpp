#include <gtest/gtest.h>

#include <set>

#include "export/CodigosUnicos.h"
#include "services/Text.h"

namespace qv {
namespace {

TEST(AcortarCodigo, KeepsFourAndShortensLonger) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"", ""},          {"A1", "A1"},      {"MAT1", "MAT1"},
        {"MAT10", "MA10"}, {"LA100", "LA00"}, {"JGL123", "JG23"}};
    for (const auto& [codigo, esperado] : casos) {
        EXPECT_EQ(acortarCodigo(codigo), esperado) << codigo;
    }
}

// What the steps rely on: interleaved stems number independently, and a stem whose free
// candidate was not kept (the groups keep the shortened value instead) is offered it again.
TEST(NumeracionCodigos, NumbersEachStemFromOneUntilFree) {
    std::set<std::string> emitidos;
    NumeracionCodigos numeracion(3);
    const auto ocupado = [&](const std::string& c) { return emitidos.contains(c); };
    const auto emitir = [&](const std::string& c) {
        std::string r = numeracion.primeroLibre(c, ocupado);
        emitidos.insert(r);
        return r;
    };
    EXPECT_EQ(emitir("MATE"), "MATE");
    EXPECT_EQ(emitir("LENG"), "LENG");
    EXPECT_EQ(emitir("MATE"), "MAT1");
    EXPECT_EQ(emitir("LENG"), "LEN1");
    EXPECT_EQ(emitir("MATE"), "MAT2");
    emitidos.insert("MAT3");
    EXPECT_EQ(emitir("MATE"), "MAT4");
    EXPECT_EQ(emitir("FQ"), "FQ");
    EXPECT_EQ(emitir("FQ"), "FQ1");
    // Another code of the same stem continues its numbers.
    EXPECT_EQ(emitir("MATH"), "MATH");
    EXPECT_EQ(emitir("MATH"), "MAT5");

    EXPECT_EQ(numeracion.primeroLibre("MATE", ocupado), "MAT6");
    EXPECT_EQ(numeracion.primeroLibre("MATE", ocupado), "MAT6");
}

TEST(AbreviaturasEmitidas, ComparesWithoutRegardToCase) {
    AbreviaturasEmitidas emitidas;
    emitidas.agregar("ab");
    emitidas.agregar("\xC1\xE9");  // 'Áé'
    EXPECT_TRUE(emitidas.contiene("AB"));
    EXPECT_TRUE(emitidas.contiene("\xE1\xC9"));  // 'áÉ'
    EXPECT_FALSE(emitidas.contiene("a"));
    EXPECT_FALSE(emitidas.contiene("abc"));
    EXPECT_FALSE(emitidas.contiene("ae"));
}

// The list answers from a set; every pair of bytes, alone and inside a longer text, must get the
// answer that comparing with each entry would give.
TEST(AbreviaturasEmitidas, AnswersAsComparingWithEveryEntry) {
    int iguales = 0;
    for (int a = 0; a < 256; ++a) {
        const std::string entrada = "P" + std::string(1, static_cast<char>(a)) + "1";
        AbreviaturasEmitidas emitidas;
        emitidas.agregar(entrada);
        for (int b = 0; b < 256; ++b) {
            const std::string texto = "p" + std::string(1, static_cast<char>(b)) + "1";
            const bool esperado = sameTextIgnoringCase(entrada, texto);
            iguales += esperado && a != b ? 1 : 0;
            ASSERT_EQ(emitidas.contiene(texto), esperado) << a << " " << b;
        }
    }
    EXPECT_GT(iguales, 2 * 26);  // letters A-Z and the accented ones really fold
}

}  // namespace
}  // namespace qv
