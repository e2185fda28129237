#pragma once

#include "catalogue/Engine.h"

// Brings a catalogue of an older format up to the current one, step by step, inside one
// transaction: the file is upgraded whole or left exactly as it was. False with the engine's
// error in db.lastError().
bool UpgradeCatalogue(Database& db, qint64 fromVersion);
