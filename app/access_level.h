// Access levels and customer configurations: the codes of the Support entry, and the
// customer configuration names that prepare a scanner configuration file for the next
// firmware update.
#pragma once
#include <QString>
#include <cstdint>

// Results of ask_access_level.
enum access_answer : int16_t {
    access_wrong = 0,
    access_cancelled = 1,
    access_level1 = 2,
    access_level2 = 3,
    access_customer = 10,
};

// The codes that raise the level to 1 and to 2.
constexpr const char* access_code_level1 = "qzmorv";
constexpr const char* access_code_level2 = "tkvra7";

// One customer configuration: the controller model it is meant for, its own article number
// (also the prefix of its file in tvx_config) and its name, which is its access code.
struct customer_config_record {
    int32_t device_article;
    char customer_article[20];
    char name[20];
};
extern const customer_config_record customer_configs[2];

// Runs the password dialog and compares the entry with the two codes (exact, case-sensitive)
// and then with the customer configuration names.
int16_t ask_access_level(const QString& code1, const QString& code2);

// True when the entry names a customer configuration, whatever happens next: asks whether to
// go on, checks it against the connected controller and prepares its newest file.
bool custom_config_unlock(const QString& entry);
