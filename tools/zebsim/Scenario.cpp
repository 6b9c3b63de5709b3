#include "Scenario.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace zebsim {

using nlohmann::json;

namespace {

void checkKeys(const json& object, const std::set<std::string>& allowed, const std::string& where) {
    if (!object.is_object()) throw ScenarioError(where + ": expected an object");
    for (const auto& [key, value] : object.items())
        if (!allowed.contains(key)) throw ScenarioError(where + ": unknown key \"" + key + "\"");
}

double number(const json& object, const char* key, double fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    const auto& v = object.at(key);
    if (!v.is_number() || !std::isfinite(v.get<double>()))
        throw ScenarioError(where + ": \"" + key + "\" must be a finite number");
    return v.get<double>();
}

std::uint64_t count(const json& v, const std::string& where) {
    if (!v.is_number_unsigned()) throw ScenarioError(where + " must be a whole number >= 0");
    return v.get<std::uint64_t>();
}

// A pause or delay of a fault: ten minutes at most, so that a test waiting on it stays bounded.
int milliseconds(const json& v, const std::string& where) {
    const std::uint64_t ms = count(v, where);
    if (ms > 600000) throw ScenarioError(where + " must be at most 600000");
    return static_cast<int>(ms);
}

std::string text(const json& object, const char* key, const std::string& fallback, bool required,
                 const std::string& where) {
    if (!object.contains(key)) {
        if (required) throw ScenarioError(where + ": \"" + key + "\" is missing");
        return fallback;
    }
    const auto& v = object.at(key);
    if (!v.is_string()) throw ScenarioError(where + ": \"" + key + "\" must be a string");
    auto s = v.get<std::string>();
    if (s.size() > 15 || s.find('\0') != std::string::npos)
        throw ScenarioError(where + ": \"" + key + "\" must have at most 15 characters");
    return s;
}

std::uint16_t moduleId(const json& v, const std::string& where) {
    long long id = -1;
    if (v.is_number_integer()) {
        id = v.get<long long>();
    } else if (v.is_string()) {
        const auto s = v.get<std::string>();
        std::size_t used = 0;
        try {
            id = std::stoll(s, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != s.size()) id = -1;
    }
    if (id < 0 || id > 0xFFFF) throw ScenarioError(where + ": \"id\" must be 0..65535 (number or \"0x1616\")");
    return static_cast<std::uint16_t>(id);
}

std::uint32_t firmware(const json& v, const std::string& where) {
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFFFFFFu) return v.get<std::uint32_t>();
    if (v.is_string()) {
        std::istringstream in(v.get<std::string>());
        std::uint32_t result = 0;
        for (int part = 0; part < 4; ++part) {
            unsigned value = 0;
            char dot = 0;
            if (!(in >> value) || value > 255 || (part < 3 && (!(in >> dot) || dot != '.'))) {
                result = 0xFFFFFFFFu;
                break;
            }
            result = (result << 8) | value;
        }
        if (result != 0xFFFFFFFFu && in.peek() == std::char_traits<char>::eof()) return result;
    }
    throw ScenarioError(where + ": \"firmware\" must be \"a.b.c.d\" (parts 0..255) or a 32-bit number");
}

ChannelSignal parseChannel(const json& j, const std::string& where) {
    checkKeys(j, {"dc", "amplitude", "frequency", "phase_deg", "noise_rms", "components"}, where);
    ChannelSignal c;
    c.dc = number(j, "dc", 0, where);
    c.amplitude = number(j, "amplitude", 0, where);
    c.frequency = number(j, "frequency", 0, where);
    c.phaseDeg = number(j, "phase_deg", 0, where);
    c.noiseRms = number(j, "noise_rms", 0, where);
    if (c.amplitude < 0 || c.frequency < 0 || c.noiseRms < 0)
        throw ScenarioError(where + ": amplitude, frequency and noise_rms must not be negative");
    if (j.contains("components")) {
        const auto& list = j.at("components");
        if (!list.is_array() || list.size() > MaxSineComponents)
            throw ScenarioError(where + ": \"components\" must be a list of at most " +
                                std::to_string(MaxSineComponents) + " sines");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string at = where + ".components[" + std::to_string(i) + "]";
            checkKeys(list[i], {"amplitude", "frequency", "phase_deg"}, at);
            SineComponent s;
            s.amplitude = number(list[i], "amplitude", 0, at);
            s.frequency = number(list[i], "frequency", 0, at);
            s.phaseDeg = number(list[i], "phase_deg", 0, at);
            if (s.amplitude < 0 || s.frequency < 0)
                throw ScenarioError(at + ": amplitude and frequency must not be negative");
            c.components.push_back(s);
        }
    }
    return c;
}

ModuleFaults parseFaults(const json& j, const std::string& where) {
    checkKeys(j, {"fail", "stop_after_words", "drop_after_words", "corrupt_after_words", "short_block"}, where);
    ModuleFaults f;
    if (j.contains("fail")) {
        const auto& list = j.at("fail");
        if (!list.is_array()) throw ScenarioError(where + ": \"fail\" must be a list of call names");
        for (const auto& name : list) {
            const std::string n = name.is_string() ? name.get<std::string>() : "";
            if (n == "SetConfig") f.failSetConfig = true;
            else if (n == "StartADC") f.failStartAdc = true;
            else if (n == "StopADC") f.failStopAdc = true;
            else if (n == "ClearBuffer") f.failClearBuffer = true;
            else throw ScenarioError(where + ": \"fail\" entries are SetConfig, StartADC, StopADC, ClearBuffer");
        }
    }
    if (j.contains("stop_after_words")) f.stopAfterWords = count(j.at("stop_after_words"), where + ".stop_after_words");
    if (j.contains("drop_after_words")) f.dropAfterWords = count(j.at("drop_after_words"), where + ".drop_after_words");
    if (j.contains("corrupt_after_words"))
        f.corruptAfterWords = count(j.at("corrupt_after_words"), where + ".corrupt_after_words");
    if (j.contains("short_block")) {
        const auto& s = j.at("short_block");
        checkKeys(s, {"after_words", "pause_ms"}, where + ".short_block");
        if (!s.contains("after_words")) throw ScenarioError(where + ".short_block: \"after_words\" is missing");
        f.shortBlockAfterWords = count(s.at("after_words"), where + ".short_block.after_words");
        if (s.contains("pause_ms")) f.shortBlockPauseMs = milliseconds(s.at("pause_ms"), where + ".short_block.pause_ms");
    }
    return f;
}

CrateQuery crateQuery(const json& v, const std::string& where) {
    const std::string name = v.is_string() ? v.get<std::string>() : "";
    if (name == "GetCrateInfo") return CrateQuery::Info;
    if (name == "GetCrateModules") return CrateQuery::Modules;
    throw ScenarioError(where + " must be \"GetCrateInfo\" or \"GetCrateModules\"");
}

CrateFaults parseCrateFaults(const json& j, const std::string& where) {
    checkKeys(j, {"refuse", "drop_on", "late"}, where);
    CrateFaults f;
    if (j.contains("refuse")) {
        const auto& list = j.at("refuse");
        if (!list.is_array()) throw ScenarioError(where + ": \"refuse\" must be a list of query names");
        for (const auto& name : list) {
            if (crateQuery(name, where + ".refuse entries") == CrateQuery::Info)
                f.refuseInfo = true;
            else
                f.refuseModules = true;
        }
    }
    if (j.contains("drop_on")) f.dropOn = crateQuery(j.at("drop_on"), where + ".drop_on");
    if (j.contains("late")) {
        const auto& l = j.at("late");
        checkKeys(l, {"on", "ms"}, where + ".late");
        if (!l.contains("on")) throw ScenarioError(where + ".late: \"on\" is missing");
        f.lateOn = crateQuery(l.at("on"), where + ".late.on");
        if (l.contains("ms")) f.lateMs = milliseconds(l.at("ms"), where + ".late.ms");
    }
    return f;
}

Module parseModule(const json& j, const std::string& where) {
    checkKeys(j, {"slot", "id", "name", "serial", "firmware", "answers", "own_noise_rms", "channels", "faults"}, where);
    Module m;
    if (!j.contains("slot") || !j.at("slot").is_number_integer() || j.at("slot").get<long long>() < 1 ||
        j.at("slot").get<long long>() > 16)
        throw ScenarioError(where + ": \"slot\" must be 1..16");
    m.slot = j.at("slot").get<int>();
    if (j.contains("id")) m.id = moduleId(j.at("id"), where);
    m.name = text(j, "name", "ZEB44", false, where);
    m.serial = text(j, "serial", "", false, where);
    if (j.contains("firmware")) m.firmware = firmware(j.at("firmware"), where);
    if (j.contains("answers")) {
        if (!j.at("answers").is_boolean()) throw ScenarioError(where + ": \"answers\" must be true or false");
        m.answers = j.at("answers").get<bool>();
    }
    m.ownNoiseRms = number(j, "own_noise_rms", m.ownNoiseRms, where);
    if (m.ownNoiseRms < 0) throw ScenarioError(where + ": \"own_noise_rms\" must not be negative");
    if (j.contains("channels")) {
        const auto& list = j.at("channels");
        if (!list.is_array() || list.size() > 4) throw ScenarioError(where + ": \"channels\" must be a list of at most 4");
        for (std::size_t c = 0; c < list.size(); ++c)
            m.channels[c] = parseChannel(list[c], where + ".channels[" + std::to_string(c) + "]");
    }
    if (j.contains("faults")) m.faults = parseFaults(j.at("faults"), where + ".faults");
    return m;
}

}  // namespace

const Module* Crate::moduleInSlot(int slot) const {
    for (const auto& m : modules)
        if (m.slot == slot) return &m;
    return nullptr;
}

const Crate* Scenario::crate(const std::string& serial) const {
    for (const auto& c : crates)
        if (c.serial == serial) return &c;
    return nullptr;
}

Scenario parseScenario(const std::string& jsonText) {
    json root;
    try {
        root = json::parse(jsonText);
    } catch (const json::exception& e) {
        // Not only syntax: a number too large for a double is refused here as well.
        throw ScenarioError(std::string("not valid JSON: ") + e.what());
    }
    checkKeys(root, {"crates", "comment", "faults"}, "scenario");
    if (!root.contains("crates") || !root.at("crates").is_array())
        throw ScenarioError("scenario: \"crates\" must be a list");
    const auto& crates = root.at("crates");
    if (crates.size() > 16) throw ScenarioError("scenario: at most 16 crates");
    Scenario scenario;
    if (root.contains("faults")) {
        const auto& f = root.at("faults");
        checkKeys(f, {"refuse"}, "faults");
        const auto& list = f.contains("refuse") ? f.at("refuse") : json::array();
        if (!list.is_array()) throw ScenarioError("faults: \"refuse\" must be a list of query names");
        for (const auto& name : list) {
            if (!name.is_string() || name.get<std::string>() != "GetCrates")
                throw ScenarioError("faults.refuse entries must be \"GetCrates\"");
            scenario.refuseCrateList = true;
        }
    }
    for (std::size_t i = 0; i < crates.size(); ++i) {
        const std::string where = "crates[" + std::to_string(i) + "]";
        const auto& cj = crates[i];
        checkKeys(cj, {"serial", "type", "modules", "comment", "faults"}, where);
        Crate crate;
        crate.serial = text(cj, "serial", "", true, where);
        if (crate.serial.empty()) throw ScenarioError(where + ": \"serial\" must not be empty");
        if (scenario.crate(crate.serial) != nullptr) throw ScenarioError(where + ": serial used twice");
        if (!cj.contains("type") || !cj.at("type").is_number_integer() || cj.at("type").get<long long>() < 0 ||
            cj.at("type").get<long long>() > 255)
            throw ScenarioError(where + ": \"type\" must be a crate type code 0..255");
        crate.type = cj.at("type").get<int>();
        if (cj.contains("faults")) crate.faults = parseCrateFaults(cj.at("faults"), where + ".faults");
        if (cj.contains("modules")) {
            const auto& list = cj.at("modules");
            if (!list.is_array()) throw ScenarioError(where + ": \"modules\" must be a list");
            for (std::size_t k = 0; k < list.size(); ++k) {
                Module m = parseModule(list[k], where + ".modules[" + std::to_string(k) + "]");
                if (crate.moduleInSlot(m.slot) != nullptr)
                    throw ScenarioError(where + ": slot " + std::to_string(m.slot) + " used twice");
                crate.modules.push_back(std::move(m));
            }
        }
        scenario.crates.push_back(std::move(crate));
    }
    return scenario;
}

Scenario loadScenarioFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError("cannot read scenario file " + path);
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().size() > 16 * 1024 * 1024) throw ScenarioError("scenario file too large: " + path);
    return parseScenario(text.str());
}

}  // namespace zebsim
