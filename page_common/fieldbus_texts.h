// Texts of the fieldbus options that the program window's radio groups show and manual mode's
// fieldbus page gives as tips.
#pragma once
#include <QStringList>

// Button texts of `rbg_GS_PB_EnablePCD` and `rbg_GS_PB_CmdOptionsBit2`.
const QStringList& pb_enable_pcd_texts();
const QStringList& pb_cmd_options_bit2_texts();
