// Rules of the import that need no tables: time texts, picture masks, the header date and the
// SOLUC filter.
#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "import/FechaCabecera.h"
#include "import/HoraAMinutos.h"
#include "import/MascaraPicture.h"
#include "import/TraspasarHorarios.h"
#include "services/Error.h"

namespace qv {
namespace {

struct CasoHora {
    const char* texto;
    const char* minutos;  // nullptr: conversion error
    const char* rechazado;
};

TEST(HoraAMinutos, ConvierteTextosDeHora) {
    const CasoHora casos[] = {
        {"08:30", "510", nullptr}, {"8:30", "510", nullptr},   {"13:05", "785", nullptr},
        {"", "0", nullptr},        {"9:00", "540", nullptr},   {"10:15", "615", nullptr},
        {"00:00", "0", nullptr},   {"23:59", "1439", nullptr}, {"8:5", nullptr, ":5"},
        {"ab:30", nullptr, "ab"},
    };
    for (const CasoHora& c : casos) {
        SCOPED_TRACE(c.texto);
        if (c.minutos) {
            EXPECT_EQ(HoraAMinutos(c.texto), c.minutos);
        } else {
            try {
                HoraAMinutos(c.texto);
                ADD_FAILURE() << "no error";
            } catch (const ConversionError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "'" + std::string(c.rechazado) + "' no es un valor entero válido");
            }
        }
    }
}

struct CasoMascara {
    const char* mascara;
    const char* tecleado;
    std::optional<std::string> ajustado;  // nullopt: refused
    bool completo;
};

TEST(MascaraPicture, TecleoYValidacion) {
    const CasoMascara casos[] = {
        {"#*#", "", std::string(""), false},
        {"#*#", "7", std::string("7"), true},
        {"#*#", "0123456789", std::string("0123456789"), true},
        {"#*#", "12a", std::nullopt, false},
        {"#*#", "a", std::nullopt, false},
        {"#*#", " 1", std::nullopt, false},
        {"##/##/####", "12031999", std::string("12/03/1999"), true},
        {"##/##/####", "12/03/1999", std::string("12/03/1999"), true},
        {"##/##/####", "1203", std::string("12/03"), false},
        {"##/##/####", "12/0", std::string("12/0"), false},
        {"##/##/####", "1a", std::nullopt, false},
        {"##/##/####", "120319991", std::nullopt, false},
        {"##/##/####", "1/", std::nullopt, false},
        {"A;#*@", "A#xyz", std::string("A#xyz"), true},
    };
    for (const CasoMascara& c : casos) {
        SCOPED_TRACE(std::string(c.mascara) + " <- " + c.tecleado);
        const MascaraPicture m(c.mascara);
        EXPECT_EQ(m.ajustar(c.tecleado), c.ajustado);
        if (c.ajustado) {
            EXPECT_EQ(m.cumple(*c.ajustado), c.completo);
        }
    }
}

TEST(MascaraPicture, RechazaLoQueNoSabeLeer) {
    EXPECT_THROW(MascaraPicture("#*"), std::invalid_argument);
    EXPECT_THROW(MascaraPicture("[#]"), std::invalid_argument);
}

TEST(FechaCabecera, FormatoCortoYHoraLarga) {
    std::tm t{};
    t.tm_year = 2027 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 2;
    EXPECT_EQ(fechaCabeceraEspanola(t), "05/03/2027 9:07:02");
    t.tm_hour = 23;
    EXPECT_EQ(fechaCabeceraEspanola(t), "05/03/2027 23:07:02");
    EXPECT_TRUE(
        std::regex_match(fechaCabecera(), std::regex(R"(\d\d/\d\d/\d{4} \d{1,2}:\d\d:\d\d)")));
}

TEST(FiltroProfesor, ComillasDobladas) {
    EXPECT_EQ(filtroProfesor("ANA"), "PROF= 'ANA'");
    EXPECT_EQ(filtroProfesor("O'B"), "PROF= 'O''B'");
    EXPECT_EQ(filtroProfesor("''"), "PROF= ''''''");
}

}  // namespace
}  // namespace qv
