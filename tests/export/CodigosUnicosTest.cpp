#include <gtest/gtest.h>

#include <set>

#include "export/CodigosUnicos.h"

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

}  // namespace
}  // namespace qv
