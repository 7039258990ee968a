// The text tables themselves. Entry 0 of each table is a placeholder.
#include "core/text/text_tables.h"

#include <algorithm>
#include <iterator>

namespace {

const char* const k_labels[521] = {
    "No Text",  // 0
    "&File",  // 1
    "&Open",  // 2
    "&Quit",  // 3
    "Reserved",  // 4
    "Reserved 1.4",  // 5
    "&Tarvix",  // 6
    "&Manual Mode",  // 7
    "Reserved 2.2",  // 8
    "Reserved 2.3",  // 9
    "Reserved 2.4",  // 10
    "&Options",  // 11
    "&Language",  // 12
    "Reserved 3.2",  // 13
    "Reserved 3.3",  // 14
    "Reserved 3.4",  // 15
    "&Help",  // 16
    "&About",  // 17
    "Reserved 18",  // 18
    "Reserved 19",  // 19
    "&Start",  // 20
    "&Teach",  // 21
    "GoPos",  // 22
    "Rereference",  // 23
    "CurrentPos",  // 24
    "Step +",  // 25
    "Step -",  // 26
    "Text 27",  // 27
    "&Ok",  // 28
    "&Cancel",  // 29
    "Set Default",  // 30
    "<< Reduce",  // 31
    "&Delete",  // 32
    "&New",  // 33
    "&Edit",  // 34
    "&Print",  // 35
    "Sa&ve",  // 36
    "Save &As",  // 37
    "&Close",  // 38
    "&Tarvix",  // 39
    "&File",  // 40
    "======== Buttons",  // 41
    "Reserved_42",  // 42
    "Reserved_43",  // 43
    "Reserved_44",  // 44
    "Reserved_45",  // 45
    "Reserved_46",  // 46
    "Reserved_47",  // 47
    "Reserved_48",  // 48
    "==Ende Buttons 50=====",  // 49
    "FuncNo",  // 50
    "Name        ",  // 51
    "Mode    ",  // 52
    "BackMode",  // 53
    "Output Signal Mode",  // 54
    "NextFunc",  // 55
    "ObjectPos",  // 56
    "Teach Limit",  // 57
    "Tolerance",  // 58
    "Intensity",  // 59
    "Counter",  // 60
    "Counter Limit",  // 61
    "Out1 Function",  // 62
    "Out2 Function",  // 63
    "Out3 Function",  // 64
    "Out4 Function",  // 65
    "Warning Min",  // 66
    "Warning Max",  // 67
    "Error Min",  // 68
    "Error Max",  // 69
    "Single Scan",  // 70
    "Stepper",  // 71
    "Step Speed [%]",  // 72
    "ReturnPos",  // 73
    "Function Definition",  // 74
    "Command",  // 75
    "Object Data",  // 76
    "Output Settings",  // 77
    "Language",  // 78
    "Monitoring",  // 79
    "Manual",  // 80
    "Function Settings",  // 81
    "&Global Settings",  // 82
    "O&utput Settings",  // 83
    "&Default Settings",  // 84
    "Reserved 085",  // 85
    "Reserved 086",  // 86
    "Reserved 087",  // 87
    "System Status",  // 88
    "Rotation Direction",  // 89
    "Scanner",  // 90
    "System Status",  // 91
    "FW Version:",  // 92
    "Slow Drive",  // 93
    "Return Travel Monitoring",  // 94
    "Address",  // 95
    "Counter Clear By Teach",  // 96
    "Power On Move",  // 97
    "at ObjectPos",  // 98
    "at HomePos",  // 99
    "Inactive",  // 100
    "Active",  // 101
    "Counter-Clockwise",  // 102
    "Clockwise",  // 103
    "Out1 Polarity",  // 104
    "Out2 Polarity",  // 105
    "Out3 Polarity",  // 106
    "Out4 Polarity",  // 107
    "Output State for OK/KO",  // 108
    "N/C (Normally Closed)",  // 109
    "N/O (Normally Open)",  // 110
    "Static",  // 111
    "Valid with Teach/Start",  // 112
    "HexSwitch 1",  // 113
    "HexSwitch 2",  // 114
    "Scan Limit",  // 115
    "Status: Busy ....",  // 116
    "Printing Data!  Please wait ...!",  // 117
    "Reading data from Tarvix. Please wait ...",  // 118
    "Sending data to Tarvix. Please wait ...",  // 119
    "CheckObj",  // 120
    "GoPos",  // 121
    "FreeSpace",  // 122
    "HomePos",  // 123
    "No Return",  // 124
    "RefOnTool",  // 125
    "Reserved",  // 126
    "StartPos",  // 127
    "Position",  // 128
    "Reserved",  // 129
    "Reserved",  // 130
    "NotDefined",  // 131
    "OK",  // 132
    "KO",  // 133
    "Active",  // 134
    "Object",  // 135
    "Counter Limit",  // 136
    "Area Warning",  // 137
    "Area Error",  // 138
    "Reserved",  // 139
    "Reserved",  // 140
    "KOFunc",  // 141
    "Reserved",  // 142
    "Scan Limit",  // 143
    "Not Defined",  // 144
    "Tarvix",  // 145
    "Settings",  // 146
    "Reserved",  // 147
    "Reserved",  // 148
    "Define Area Error Low ...",  // 149
    "Define Area Error High ...",  // 150
    "New Function Settings ",  // 151
    "Edit Function Settings ",  // 152
    "Load Data from ...",  // 153
    "Save Data to ...",  // 154
    "FuncNo ",  // 155
    "NextFunc",  // 156
    "ObjectPos",  // 157
    "Teach Limit",  // 158
    "Tolerance",  // 159
    "Intensity",  // 160
    "Out1 Function",  // 161
    "Out2 Function",  // 162
    "Out3 Function",  // 163
    "Out4 Function",  // 164
    "WARNING",  // 165
    "ERROR ",  // 166
    "Information",  // 167
    "Confirmation",  // 168
    "Scanning",  // 169
    "HomePos",  // 170
    "Save Data to Tarvix successfull!",  // 171
    "KOFunc",  // 172
    "Control-Parameter ",  // 173
    "Rereference",  // 174
    "BothScanObj ",  // 175
    "BothScanFree",  // 176
    "Error: File SCANNER.LST not found!",  // 177
    "Error Stop",  // 178
    "Load Parameter &0",  // 179
    "Load Parameter &1",  // 180
    "Scanner Parameter",  // 181
    "Password Dialog ",  // 182
    "Please enter password ...",  // 183
    "Clear Parameter &0",  // 184
    "Clear Parameter &1",  // 185
    "Do you want to clear the scanner parameters?",  // 186
    "Counter Limit Output ",  // 187
    "Please select the Tarvix file type",  // 188
    "Premium",  // 189
    "Basic",  // 190
    "Tool Length [mm]",  // 191
    "Object Angle [\xB0" "]",  // 192
    "Teach 1 ",  // 193
    "Teach 2 ",  // 194
    "Teach 3 ",  // 195
    "Calculate ",  // 196
    "Test Scan ",  // 197
    "VertDistance [mm] ",  // 198
    "RefAngle90\xB0" "",  // 199
    "RefToolLength [mm]",  // 200
    "Setup",  // 201
    "Sto&p",  // 202
    "Scan Unit",  // 203
    "Angle [\xB0" "]",  // 204
    "Length",  // 205
    "Please select the Tarvix measuring system",  // 206
    "Setup Length Parameters not programmed!",  // 207
    "Start &Trace",  // 208
    "Stop T&race",  // 209
    "&Programming",  // 210
    "Date",  // 211
    "Configuration",  // 212
    "PMod",  // 213
    "Reserved 214",  // 214
    "Reserved 215*",  // 215
    "Int",  // 216
    "ArWrnRel",  // 217
    "ArWrnAbs",  // 218
    "ArErrRel",  // 219
    "ArErrAbs",  // 220
    "Area",  // 221
    "Warning Min",  // 222
    "Warning Max",  // 223
    "Error Min",  // 224
    "Error Max",  // 225
    "In",  // 226
    "Out",  // 227
    "MonitorObj",  // 228
    "Is the selected scanner \"%s\" correct?",  // 229
    "RefOnTool",  // 230
    "Absolute",  // 231
    "Relative",  // 232
    "Position 1",  // 233
    "Position 2",  // 234
    "Ultra Low",  // 235
    "Low",  // 236
    "Medium",  // 237
    "High",  // 238
    "Min",  // 239
    "Max",  // 240
    "Actual Counter",  // 241
    "Counter Limit",  // 242
    "GoPos",  // 243
    "Back Mode",  // 244
    "TeachLimit",  // 245
    "PosMode",  // 246
    "CollFrArea",  // 247
    "Reserved 248",  // 248
    "Programming the firmware was successfull!",  // 249
    "Save changed data set?",  // 250
    "Save Diagnostic",  // 251
    "Saving the diagnostic file was successfull!",  // 252
    "HomePos Offset",  // 253
    "CollChgTime",  // 254
    "HomePos Mode ",  // 255
    "Normal",  // 256
    "Push Back",  // 257
    "CollFrArea",  // 258
    "CollChgArea",  // 259
    "Preposition",  // 260
    "Function Options",  // 261
    "Trace",  // 262
    "Default ",  // 263
    "Factory Defaults",  // 264
    "Clear EEPROM",  // 265
    "RESERVED!!!!!! ",  // 266
    "OK Status",  // 267
    "KO Status",  // 268
    "Scanning Status",  // 269
    "Current Position",  // 270
    "Measured Position",  // 271
    "Tarvix Online Status",  // 272
    "PROFIBUS Options",  // 273
    "Data Format",  // 274
    "Limit Position",  // 275
    "MonitorPos",  // 276
    "Stay Time [s]",  // 277
    "Little Endian",  // 278
    "Big Endian",  // 279
    "OK Polarity",  // 280
    "KO Polarity",  // 281
    "Counter Limit Polarity",  // 282
    "New &RL",  // 283
    "Both RL Function  (Base + 0)",  // 284
    "R Function  (Base + 1)",  // 285
    "L Function  (Base + 2)",  // 286
    "New RL Function Settings",  // 287
    "Edit RL Function Settings",  // 288
    "KO R",  // 289
    "KO L",  // 290
    "Delay",  // 291
    "Speed Test",  // 292
    "Time [ms]",  // 293
    "Input Settings",  // 294
    "Input 1",  // 295
    "Input 3",  // 296
    "Function Selector",  // 297
    "Reset",  // 298
    "No Function",  // 299
    "Firmld Version:",  // 300
    "I/O Module",  // 301
    "available",  // 302
    "not available",  // 303
    "Output Time",  // 304
    "Extra Parameter",  // 305
    "Scanning Mode",  // 306
    "Create Clone",  // 307
    "Program Clone",  // 308
    "The clone file is created successfully!",  // 309
    "Preposition Speed",  // 310
    "Precise",  // 311
    "HomePos Characteristic",  // 312
    "KO Characteristic",  // 313
    "Hardware Version",  // 314
    "UnexpStop",  // 315
    "ParityBit",  // 316
    "Device Type",  // 317
    "Version",  // 318
    "Area Type:",  // 319
    "FuncNo:",  // 320
    "Program Clone",  // 321
    "Create Clone ...",  // 322
    "Comment (max 80 ASCII-Char!!):",  // 323
    "Start transferring clone data Tarvix => file?  ",  // 324
    "Host => Tarvix",  // 325
    "Tarvix => Host",  // 326
    "Angle/Length Value",  // 327
    "Point Shifting",  // 328
    "Save programmed data in function table?",  // 329
    "PROFIBUS",  // 330
    "Advanced Settings",  // 331
    "Setup Mode",  // 332
    "Standard",  // 333
    "Very Slow",  // 334
    "Slow",  // 335
    "Return Immediately",  // 336
    "Return At Object",  // 337
    "Vibration Tolerant",  // 338
    "Fast",  // 339
    "Push",  // 340
    "Off",  // 341
    "On",  // 342
    "&Yes",  // 343
    "&No",  // 344
    "Format error in selected clone file!",  // 345
    "Control Unit ID:",  // 346
    "Scanner ID:",  // 347
    "Reserved",  // 348
    "Reserved",  // 349
    "&Support",  // 350
    "Support functions are successfully activated",  // 351
    "Setup parameters are changed! Save them?",  // 352
    "DeviceNet Options",  // 353
    "MAC ID",  // 354
    "Baudrate",  // 355
    "Autodetect",  // 356
    "Parameter Number",  // 357
    "Parameter Value",  // 358
    "ObjectPos",  // 359
    "Tolerance",  // 360
    "ObjectPos",  // 361
    "Parameter Status",  // 362
    "Device Status",  // 363
    "ParameterCmd",  // 364
    "DeviceCmd",  // 365
    "Fixed",  // 366
    "Device Error",  // 367
    "Read / Write done",  // 368
    "Write Error",  // 369
    "Read  Error",  // 370
    "HomePos",  // 371
    "Scanning Active",  // 372
    "Reserved",  // 373
    "OK Status",  // 374
    "KO Status",  // 375
    "Unexpected Stop",  // 376
    "Collision Change Area",  // 377
    "Collision Free Area",  // 378
    "Cable Break Error",  // 379
    "Scanner Error",  // 380
    "Control Unit Error",  // 381
    "Wand Error",  // 382
    "Position Error",  // 383
    "Control Word Error",  // 384
    "Parameter Error",  // 385
    "Reserved",  // 386
    "Parameter Read Command",  // 387
    "Parameter Write Command",  // 388
    "OK/KO Reset",  // 389
    "Reserved DN",  // 390
    "Reserved DN",  // 391
    "Reserved DN",  // 392
    "Reserved DN",  // 393
    "Table Active",  // 394
    "Offline",  // 395
    "Reserved 2",  // 396
    "Reserved 3",  // 397
    "DeviceNet Receive Message Status",  // 398
    "Protocol",  // 399
    "Protocol 2/1 ",  // 400
    "Protocol 19/19 ",  // 401
    "Protocol 3/2",  // 402
    "Reserved 3     ",  // 403
    "Error Buffer   ",  // 404
    "Timestamp",  // 405
    "Graph",  // 406
    "Source",  // 407
    "Setpoint",  // 408
    "Position",  // 409
    "S-Code",  // 410
    "Error",  // 411
    "E-Code",  // 412
    "Clear",  // 413
    "Saving the error buffer file was successfull!",  // 414
    "Optional info text ...",  // 415
    "Clear Non Volatile Memory",  // 416
    "Common Options 2",  // 417
    "RefAngle90\xB0" "",  // 418
    "RefToolLength",  // 419
    "Reserved",  // 420
    "Fieldbus",  // 421
    "DeviceNet",  // 422
    "Long Wand",  // 423
    "Plugged",  // 424
    "R Function",  // 425
    "L Function",  // 426
    "Start",  // 427
    "Teach",  // 428
    "System Info",  // 429
    "Control Unit:",  // 430
    "Angle  [\xB0" "]",  // 431
    "Length [mm]",  // 432
    "Set",  // 433
    "Not Set",  // 434
    "RL Block",  // 435
    "CntLimit",  // 436
    "I/O Module:",  // 437
    "No.",  // 438
    "The logic update failed!",  // 439
    "Programming of the FW failed!",  // 440
    "XChange of the firmloader failed!",  // 441
    "Bank Shifting:",  // 442
    "KO Rescan",  // 443
    "Err./Wrn. Latch",  // 444
    "Clear Function Counter",  // 445
    "Warning",  // 446
    "Error",  // 447
    "before",  // 448
    "behind",  // 449
    "Clear Counters",  // 450
    "Tolerance Offset",  // 451
    "The update process was successfull.",  // 452
    /* 453 */ "Parameter Number / Value\nBit 0 .. 2: Statusbits\nBit 3 .. 7: Parameter Nr.\nBit8 .. 15: Parameter Value",
    "Error + Status bitcoded",  // 454
    "Position (0.00 .. 655.35)",  // 455
    "Process Monitor Parameter Number (0 .. 255) or Graph Part\nValue in EW8/EW9",  // 456
    "Status bitcoded",  // 457
    "Error bitcoded",  // 458
    "Parameter Value Full  EW8 + EW9",  // 459
    "Parameter Value High Word EW9",  // 460
    "Graphic Data from EW8 to EW32",  // 461
    "Additional Teach Cyclse",  // 462
    /* 463 */ "Parameter Number / Value\nBit 0 .. 2: Orderbits\nBit 3 .. 7: Parameter Nr.\nBit8 .. 15: Parameter Value",
    "Tolerance (0.0 ..25.5)\nBit0 .. Bit7: Order (bitcoded)\nBit 8 .. 15: Tolerance",  // 464
    "Position (0.00 .. 655.35) / Function Nr (0 .. 511)\nBit 15: Clear Function",  // 465
    /* 466 */ "Process Monitor Parameter Number (0 .. 255) or Graph Part (0 .. 255); Value in AW8/AW9\nBit 0..1:  Order\nBit 5 .. 7: Target\nBit8 .. 15: Parameter Number/Graph Part",
    "Order bitcoded",  // 467
    /* 468 */ "Tool Type Number (0 .. 127) / Tolerance\nBit 0 .. 1: Tolerance\nBit 8 .. 14: Tool Type Number\nBit 15: User Tool Type",
    "Process Data (0.00% .. 655.35%)",  // 469
    "Parameter Value complete  AW8 + AW9",  // 470
    "Parameter Value High Word AW9",  // 471
    "ToolName from AW8 until AW22 Low Byte",  // 472
    "Duplo Number (0 .. 255)\nBit 0 .. 7: Toolname\nBit 8 .. 15: Duplo Number",  // 473
    "Process Number (0 .. 65535)",  // 474
    "Process Parameter",  // 475
    "Graph Data",  // 476
    "TVX Parameter",  // 477
    "Ready",  // 478
    "Break",  // 479
    "Blunt",  // 480
    "Missing",  // 481
    "Contact",  // 482
    "Feed Slower",  // 483
    "Feed OK",  // 484
    "Feed Faster",  // 485
    "Command Error",  // 486
    "Data Read Error",  // 487
    "Data Write Error",  // 488
    "No Tool Type",  // 489
    "No Tool",  // 490
    "Out Of Memory",  // 491
    "Tool Data",  // 492
    "Cut",  // 493
    "Tool Type Number",  // 494
    "User Tool Type",  // 495
    "DIP Tolerance 00",  // 496
    "DIP Tolerance 01",  // 497
    "DIP Tolerance 10",  // 498
    "DIP Tolerance 11",  // 499
    "Custom Settings are successfully activated",  // 500
    "Min Teach Pos",  // 501
    "Preposition Offset",  // 502
    "Reserved",  // 503
    "PM Sampling Time",  // 504
    "PM Averaging",  // 505
    "PM Recording Mode",  // 506
    "PM Options",  // 507
    "PM Machine Type",  // 508
    "Relay Switch (DIP3)",  // 509
    "Negative Teach Limit",  // 510
    "Self Check",  // 511
    "Sending scanner configuration data %s to Tarvix ...",  // 512
    "Teach Button",  // 513
    "The PROFINET firmware update failed!",  // 514
    "PBN Command Options",  // 515
    "Stop",  // 516
    "Chip Area",  // 517
    "Softscan Intensity",  // 518
    "Input 10",  // 519
    "Customer Settings",  // 520
};

const char* const k_messages[91] = {
    "No Text",  // 0
    "Would You exit the diagnostic program?",  // 1
    "Select language for helpfile",  // 2
    /* 3 */ "1: Direction\n2: Command\n3: Relay Property\n4: Intensity\n5/6: Tolerance\n7: R/L Function\n8: Output Status",
    "Rotary Switch Scanner",  // 4
    "Rotary Switch P1",  // 5
    "Rotary Switch P2",  // 6
    "Minimum warning level\nIn case of relative area this value will be subtracted!Hint",  // 7
    "Maximum warning levelHint",  // 8
    "Minimum error level\nIn case of relative area this value will be subtracted!Hint",  // 9
    "Maximum error levelHint",  // 10
    "Is the selected HEX-File \"%s\" OK?\nTo start programming, press the YES-Button!",  // 11
    "Do you really want to set the factory defaults?",  // 12
    /* 13 */ "Would you really clear the complete serial EEPROM?\nAll programmed data will be cleared!\nIt will take about 6 seconds!",
    "Function Table is empty. Sheet Monitoring Mode is not displayed!",  // 14
    "Tarvix firmware compatibility:\nOK: FW version is up to date.Tooltip Statusbar",  // 15
    "Tarvix firmware compatibility:\nWarning: Old FW version!",  // 16
    "Tarvix firmware compatibility:\nError:   Old FW version!\nPossible loss of data!",  // 17
    "Scan unit:\nLength [mm]\nAngle [degrees]",  // 18
    "PC Hostsoftware compatibility:\nOK:      Hostsoftware is up to date.",  // 19
    /* 20 */ "PC Hostsoftware compatibility:\nWarning: Old Hostsoftware version!\nActual Hostsoftware on VRD URL!",
    /* 21 */ "PC Hostsoftware compatibility:\nError:   Old Hostsoftware version!\nPossible loss of data!\nActual version on VRD URL!",
    "Error message from Tarvix",  // 22
    "Logical OK status",  // 23
    "Stored logical KO status",  // 24
    "Tarvix Online Status",  // 25
    "Selected Function Number",  // 26
    "Reset stored OK/KO status",  // 27
    /* 28 */ "To activate the changed scannertype or fieldbus protocol, you should reboot.\nWould you reboot now?",
    "Tarvix is in reset status. Please wait ...",  // 29
    /* 30 */ "This new RL function will overwrite the existing single functions 0 ..3!\nDo you want to continue?",
    "Attention: The Tarvix is configured to generate a RL-function on each power on!",  // 31
    "Data from Tarvix will be saved to a clone file!",  // 32
    "Do you want to start transferring clone data from Tarvix to existing file \"%s\"?",  // 33
    "Do you want to start transferring clone data from Tarvix to new file \"%s\"?",  // 34
    "The firmware on the Tarvix is newer than the firmware in the clone file!\nDo you want to proceed?",  // 35
    "Program the Tarvix with a selectable clone file!",  // 36
    "The firmware file\n%s\nis not found!",  // 37
    /* 38 */ "To start programming, press the YES-Button!\nThe update process take about 2 min and should not be interrupted!",
    "The clone file is programmed successfully!",  // 39
    "There are problems with the selcted printer!\nPlease check the printer configuration!",  // 40
    "Update could cause hardware malfunction!\nDo you want to proceed?\n",  // 41
    "Yes:\t\tProgram the selected FW in the Tarvix\nCancel:\t\tBreak the process\n",  // 42
    /* 43 */ "The firmware version in the clone file differs from the one in the Tarvix!\nWould you proceed?\n\n",
    "Ok:\t\tOverwrite the Tarvix firmware with the cloned firmware\nCancel:\t\tBreak the process\n",  // 44
    "The firmware on the Tarvix is newer than the firmware in the clone file!\n",  // 45
    "Do you want to program the firmware?\n\n",  // 46
    "Yes:\t\tProgram old firmware and data\nNo:\t\tProgram data only\nCancel:\t\tBreak the process\n",  // 47
    "The firmware would be updated to version %d.%02d.%02d!\nDo you want to proceed?\n",  // 48
    "The changed settings should be saved to Tarvix to activate them!\nWould you save it now?\n\n",  // 49
    /* 50 */ "    Yes:\t\tSave the data and go to the manual mode\n    Cancel:\t\tStay here in the programming mode\n",
    "The changed global settings must be saved to Tarvix to activate them!\nWould you save it now?\n\n",  // 51
    /* 52 */ "Yes:\tSave the data and stay in this \"Tool Settings\"-sheet\nNo:\tGo back to the \"Global Settings\"-sheet\n",
    "Cancel:\tGo back to the \"Global Settings\"-sheet and discard the changes\n",  // 53
    "The setup parameters are not recalculated!\nWould you quit?\n\n",  // 54
    "Yes:\tQuit the dialog and keep the old setup parameters\nNo:\tDo not quit the dialog\n",  // 55
    /* 56 */ "Notes:\n1.) Define Tool Length (blue fields)\n     Attention: The defined tool length should be different!",
    "Notes:\n1.) Define Tool Geometrie (blue fields)\n",  // 57
    "Tarvix firmware compatibility:\nNo Tarvix connected!",  // 58
    "PC Hostsoftware compatibility:\nNo Tarvix connected!",  // 59
    "2.) Teach the tool\n3.) Press [Calculate]\n",  // 60
    "Hint: All dimensions are in [mm]",  // 61
    /* 62 */ "The current FW version of the control unit is %d.%02d.%02d.%03d.\nThere is a newer Version %d.%02d.%02d.%03d available.\n",
    /* 63 */ "The current FW version of the control unit is %d.%02d.%02d.%03d.\nDo you want to program another FW?",
    "The logic file was successfully updated on Version %d.%02d.",  // 64
    "Tarvix is in the programming status. Please wait ...",  // 65
    /* 66 */ "Logic update on Version %d.%2d failed due to power fail!\nThe actual Version is %d.%2d.\nPlease start update again!",
    "Do not power off or unplug USB cable during update. The controller can be damaged.",  // 67
    /* 68 */ "There is no firmware on the Tarvix device! So please select the correct firmware hex-file in the next dialog!",
    /* 69 */ "The firmware programming is cancelled by user! So the Tarvix device is not ready! Please repeat the update!",
    "Severe error: The Firmloader version could not be detected! Please contact the service!",  // 70
    "The Firmloader version could not be detected bei the FLASHCLI-Tool!",  // 71
    "There is an old Firmloader on the Tarvix, which is incompatible with the detected Windows7 OS!\n",  // 72
    "Please perform the update under WindowsXP!",  // 73
    "Would you reboot now?",  // 74
    "There was an error bei reading the Tarvix configuration data from flash bank1!",  // 75
    /* 76 */ "The cloning feature is not implemented in the actual FW version.\nPlease update to a version of equal or newer than Version 1.17.06!",
    "The Tarvix doesn't support cloning. Please update Tarvix firmware!",  // 77
    /* 78 */ "There is no firmware on the Tarvix! Please program the correct firmware version with menu [? - FSW Update]!",
    /* 79 */ "An error occured by programming firmware!\nErrorcode: %XH\n Do you want to retry (Highly recommended!)",
    "The generation of the clone file failed! The old clone file was successfully restored.",  // 80
    "Waiting for Tarvix! To abort click [X]or the [Cancel]-Button!",  // 81
    "Reprogram the complete Tarvix firmware and data with the selected clone file\n%s",  // 82
    "Do you want update?\n",  // 83
    "Hint:\nTo activate \"Step\" with the keyboard\nplease press the spacebar",  // 84
    /* 85 */ "You have not previously exportet the tool-data of the following tools: %s\n                                         So these tools would not be saved!\n                                         Are you sure?\n",
    "This command would clear all Records in the Tarvix!\nDo you want to proceed?",  // 86
    /* 87 */ "Custom specific scanner configuration \"%s\" was prepared.\nPlease start update-process with menu \"? FW Update\"\n",
    /* 88 */ "Custom specific scanner configuration is already programmed in Tarvix!\n No update will be performed!\n",
    "Updating the configuration resets the Tarvix to default settings!\n Are you sure?\n",  // 89
    "The data will not be saved, because we are in diagnostic mode (Premium viewer)!",  // 90
};

const char* const k_host_errors[64] = {
    "No Error",  // 0
    "Host: Reserved",  // 1
    "Host: Error in Parameter-File!",  // 2
    "Host: File Write Error!",  // 3
    "Host: Timeout in Communication to Tarvix!",  // 4
    "Host: Write Error from Tarvix!",  // 5
    "Host: Read Error from Tarvix!",  // 6
    "Host: Syncronisation-Error in communication to Tarvix!",  // 7
    "Host: Soft-Error!",  // 8
    "Host: Not all Toollength and Teachangles are defined!",  // 9
    "Host: Error in calculating parameters! Please check inputs!",  // 10
    "Host: Error opening Trace-File!",  // 11
    "Host: Error writing Trace-File!",  // 12
    "Host: Tarvix type (Premium PM/Premium/Basic) is not compatible with file type!",  // 13
    "Host: Timeout! Tarvix process could not be stopped!",  // 14
    "Host: Update-Utility FLASHCLI.EXE could not be startet? Check installation!",  // 15
    "Host: Update-Utility FLASHCLI.EXE returned an error (Code %d)! Retry?",  // 16
    "Host: Systemerror %08XH occured! Retry?",  // 17
    "Host: Error writing diagnostic file on disk!",  // 18
    "Host: Error: Config-File has illegal format!FileCapacity-Element nicht vorh.",  // 19
    "Host: Unsupported data are not default! Possible loss! Please update!",  // 20
    "Host: Error: Data out of range! Please update host!",  // 21
    "Host: Error: Konfig file has illegal size!",  // 22
    "Host: Warning: Not all Tarvix data could be displayed!",  // 23
    "The FW version of the TVX could not handle changed data \"%s\". Ignore?",  // 24
    "Host: Not all file data could be displayed, because old host-software!",  // 25
    "Host: Wrong password!",  // 26
    "Host: File Scanner.Lst has no attributes (old Version)! Check Installation!",  // 27
    "Fehler: Das Eingabefeld \"Name\" ist noch leer!!",  // 28
    "ERROR: Parameter \"Mode\" is out of range (Test-Functions for Full-Version)!",  // 29
    "Host: Format Error: The selected file is no clone file!",  // 30
    "Host: Error: File has illegal size!",  // 31
    "Host: Error: File does not exist!",  // 32
    "Host: File Read Error!",  // 33
    "In the mode \"Fast\" all tolerances are limited to 0,5 degrees maximum!",  // 34
    "The device type / family of the Tarvix and of the clone file do not match!!",  // 35
    "The device type / family of the Tarvix and of the clone file do not match!!",  // 36
    "The device type / family of the Tarvix and of the clone file do not match!!",  // 37
    "Error: The filename should have maximum 15 characters!\n",  // 38
    "Error: The program is already running! Only 1 instance is allowed!",  // 39
    "Host: Error writing error buf on disk! Errorcode: %d",  // 40
    "Host: Error on opening the file!",  // 41
    "Host: Input file could not be found!",  // 42
    "Host: Filename has not the correct format!",  // 43
    "Host: Logic file has illegal size!",  // 44
    "Host: CRC error in logic file!",  // 45
    "Host: Logic package has illegal format!",  // 46
    "Host: File not found! Please check installation!",  // 47
    "Host: Tarvix logic family (%02x) could not be identified! Unknown Device!",  // 48
    "Host: USB connection error occured!\n%s!\nRetry?",  // 49
    "Host: Error by reading the Tarvix configuration data from flash bank1!",  // 50
    "Host: Error opening the clone file!",  // 51
    "Host: Clone component file not found! Filename:",  // 52
    "Host: The firmware type in the clone file differs from the one in the Tarvix!",  // 53
    "Host: The clone programming failed! Please reset the Tarvix and try again!",  // 54
    "Host: The created clone file is not valid!",  // 55
    "Host: PROFINET-FW firmware file not found or illegal format!",  // 56
    "Host: CSV file could not be found!",  // 57
    "Host: Custom specific password does not match with Tarvix article number!",  // 58
    "Host: File Read Error!",  // 59
    "Host: Actual Tarvix configuration file not found in update table!",  // 60
    "Host: Not all controls are selected!",  // 61
    "Host: Format error in scanner definition file \"scannerx.lst\"!",  // 62
    "Host: File Write Access Error! Errorcode: %d\nPlease check windows file permissions!",  // 63
};

const char* const k_usb_host_errors[13] = {
    "USB-Host: No Error",  // 0
    "USB-Host: USB not available!",  // 1
    "USB-Host: Reserved2",  // 2
    "USB-Host: Reserved3",  // 3
    "USB-Host: Error reading USB-Message!",  // 4
    "USB-Host: Reserved2",  // 5
    "USB-Host: Error sending USB-Message!",  // 6
    "USB-Host: Error in Receive-USB-Driver protocol!",  // 7
    "USB-Host: Error in Send-USB-Driver protocol!",  // 8
    "USB-Host: Timeout sending USB-Message!",  // 9
    "USB-Host: USB was disconnected!",  // 10
    "USB-Host: Timeout receiving USB-Message from Tarvix!",  // 11
    "USB-Host: Reserved2",  // 12
};

const char* const k_device_errors[62] = {
    "No Text",  // 0
    " Error Tarvix: Illegal telegram counter!",  // 1
    " Error Tarvix: Illegal start byte!",  // 2
    " Error Tarvix: Wrong frame type!",  // 3
    " Error Tarvix: Wrong frame flag!",  // 4
    " Error Tarvix: Wrong datacount!",  // 5
    " Error Tarvix: Parameter / Function not supported!",  // 6
    " Error Tarvix: Data not supported!",  // 7
    " Error Tarvix: Parameter read error!",  // 8
    " Error Tarvix: Parameter write error!",  // 9
    " Error Tarvix: Parameter verify error!",  // 10
    " Error Tarvix: Wrong function number!",  // 11
    " Error Tarvix: The last process is not finished!",  // 12
    " Error Tarvix: Illegal scanner number!",  // 13
    " Error Tarvix: Illegal scanner part number!",  // 14
    " Error Tarvix: Writing standard scanner params not allowed!",  // 15
    " Error Tarvix: Clearing standard scanner params not allowed!",  // 16
    " Error Tarvix: Wrong packet number reading Tarvix-info!interner Fehler ",  // 17
    " Error Tarvix: Write serial EEPROM failed!",  // 18
    " Error Tarvix: Read serial EEPROM failed!",  // 19
    " Error Tarvix: Testmode is inactive!",  // 20
    " Error Tarvix: Testmode is active!",  // 21
    " Error Tarvix: Testmode command!",  // 22
    " Error Tarvix: Illegal testmode data!",  // 23
    " Error Tarvix: Illegal data type in dump mode!",  // 24
    " Error Tarvix: Illegal offset address in dump mode!",  // 25
    " Error Tarvix: Illegal data count in dump mode!",  // 26
    " Error Tarvix: Write on read only address is not allowed!",  // 27
    " Error Tarvix: Uart-TX-Fifo is full!",  // 28
    " Error Tarvix: Uart-RX-Fifo is full!",  // 29
    " Error Tarvix: Parameter %s is out of range! Please update to current FW.",  // 30
    " Error Tarvix:",  // 31
    " WARNING TVX: Parameter %s is not active because manual settings on io-module!",  // 32
    " Error Tarvix: UART_ERRORS",  // 33
    " Error Tarvix: Writing flash failed!",  // 34
    " Error Tarvix: Reading flash failed!",  // 35
    " Error Tarvix: Parameter not settable!",  // 36
    " Error Tarvix: PM No Tooltype!",  // 37
    " Error Tarvix: PM No Tool",  // 38
    " Error Tarvix: PM Reading tool failed!",  // 39
    " Error Tarvix: PM Writing tool failed!",  // 40
    " Error Tarvix: PM No tool records!",  // 41
    " Error Tarvix: PM Selected tool not available!",  // 42
    " Error Tarvix: Reading tool record failed!",  // 43
    " Error Tarvix: Writing tool record failed!",  // 44
    " Error Tarvix: Reading SD-Card failed!",  // 45
    " Error Tarvix: Writing SD-Card failed!",  // 46
    " Error Tarvix: Refrshing SD-Card failed!",  // 47
    " Error Tarvix: Clearing SD-Card and MRAM failed!",  // 48
    " Error Tarvix: Clearing the Profinet TPS-1 failed!",  // 49
    " Error Tarvix: Clearing flash failed!",  // 50
    " Error Tarvix: Clearing Eeprom failed!",  // 51
    " Error Tarvix: Writing TPS-1 failed!",  // 52
    " Error Tarvix: Reading TPS-1 failed!",  // 53
    " Error Tarvix: Starting the TPS-1 updater failed!",  // 54
    " Error Tarvix: Updating the TPS-1 failed!",  // 55
    " Error Tarvix: Reading the log data failed!",  // 56
    " Error Tarvix: Writing the log data failed!",  // 57
    " Error Tarvix: SD-Card not available!",  // 58
    " Error Tarvix: Reading the selfcheck data failed!",  // 59
    " Error Tarvix: Writing the selfcheck data failed!",  // 60
    " Error Tarvix: Clearing the selfcheck-data failed!",  // 61
};

const char* const k_status[67] = {
    "No Text",  // 0
    " ERROR! Cable broken!",  // 1
    " ERROR! Scanner!",  // 2
    " ERROR! Control Unit!",  // 3
    " ERROR! Wand!",  // 4
    " ERROR! Object/Teach-Position out of range!",  // 5
    " ERROR! Control Word!",  // 6
    " ERROR! Position 1 and 2 out of range!",  // 7
    " ERROR! Selected function not programmed!",  // 8
    " Illegal Tarvix Statuscode!",  // 9
    " ERROR! No Tarvix FW programmed!",  // 10
    " ERROR! I2C!",  // 11
    " ERROR! EEPROM!",  // 12
    " ERROR! IO Module!",  // 13
    " ERROR! PROFIBUS!",  // 14
    " ERROR! Flash!",  // 15
    "",  // 16
    "",  // 17
    "",  // 18
    "",  // 19
    " HomePos",  // 20
    " Scanning",  // 21
    "",  // 22
    "",  // 23
    "",  // 24
    "",  // 25
    "",  // 26
    "",  // 27
    "",  // 28
    "",  // 29
    " ERROR! Motor current too low at start up!",  // 30
    " ERROR! Cable break detected!",  // 31
    " ERROR! Not valid position!",  // 32
    " ERROR! Scanner error (scanner could not move)",  // 33
    " ERROR! Rereference error, no Home Position found",  // 34
    " ERROR! Critical error - position change to high",  // 35
    " ERROR! Wrong scanner",  // 36
    " ERROR! Internal power supply error 1",  // 37
    " ERROR! Logic error",  // 38
    " ERROR! No tool in table programmed",  // 39
    " ERROR! Control box hardware error 1",  // 40
    " ERROR! PROFINET hardware error",  // 41
    " ERROR! Internal power supply error 2",  // 42
    " ERROR! Temperature error",  // 43
    " ERROR! Micro SD card error",  // 44
    " ERROR! Control box hardware error 2",  // 45
    " ERROR! Minimum teach angle not reached",  // 46
    " ERROR! Move to Home Position problem",  // 47
    " ERROR! Go Position not reached",  // 48
    " ERROR! Wand stepping failed - set position not reached",  // 49
    " ERROR! Wand speed test failed - internal test",  // 50
    " ERROR! Teach without a tool/object",  // 51
    " ERROR! GoPos set position larger than Limit Position",  // 52
    " ERROR! PrePos set position larger than Limit Position",  // 53
    " ERROR! Reserved",  // 54
    " ERROR! Teach/Check set position larger than Limit Position",  // 55
    " ERROR! Reserved",  // 56
    " ERROR! Parameter Position P1 and P2 equal",  // 57
    " ERROR! RL Mode: Parameter Position P1 and P2 are set to 0",  // 58
    " ERROR! Parameter P1 larger than Limit Position",  // 59
    " ERROR! Parameter P2 larger than Limit Position",  // 60
    " ERROR! Selfcheck test failed",  // 61
    " ERROR! Wand is locked",  // 62
    " ERROR! Minimum teach angle not reached",  // 63
    " ERROR! Selfcheck: Startposition under limit",  // 64
    " ERROR! Selfcheck: Endposition over limit",  // 65
    " ERROR! Selfcheck: Range too small",  // 66
};

}  // namespace

size_t txt_table_size(txt_table t)
{
    switch (t) {
    case txt_table::labels: return std::size(k_labels);
    case txt_table::messages: return std::size(k_messages);
    case txt_table::status: return std::size(k_status);
    case txt_table::host_errors: return std::size(k_host_errors);
    case txt_table::usb_host_errors: return std::size(k_usb_host_errors);
    case txt_table::device_errors: return std::size(k_device_errors);
    }
    return 0;
}

const char* txt_table_text(txt_table t, long index)
{
    const char* const* table = nullptr;
    switch (t) {
    case txt_table::labels: table = k_labels; break;
    case txt_table::messages: table = k_messages; break;
    case txt_table::status: table = k_status; break;
    case txt_table::host_errors: table = k_host_errors; break;
    case txt_table::usb_host_errors: table = k_usb_host_errors; break;
    case txt_table::device_errors: table = k_device_errors; break;
    }
    if (!table || index < 0 || size_t(index) >= txt_table_size(t))
        return nullptr;
    return table[index];
}

std::string txt_label(long n, bool remove_amp)
{
    const char* t = txt_table_text(txt_table::labels, n);
    if (!t)
        return {};
    std::string s(t);
    if (remove_amp)
        s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
    return s;
}

std::string txt_message(long n)
{
    const char* t = txt_table_text(txt_table::messages, n);
    return t ? std::string(t) : std::string();
}

std::optional<std::string> txt_error(long type, long code)
{
    const char* t = nullptr;
    switch (type) {
    case 1: t = txt_table_text(txt_table::host_errors, code); break;
    case 2: t = txt_table_text(txt_table::usb_host_errors, code); break;
    case 3: t = txt_table_text(txt_table::device_errors, code); break;
    default: break;
    }
    if (!t)
        return std::nullopt;
    return std::string(t);
}

std::string txt_table_entry(int row, long index)
{
    const char* t = nullptr;
    switch (row) {
    case 0: t = txt_table_text(txt_table::labels, index); break;
    case 1: t = txt_table_text(txt_table::messages, index); break;
    case 2: t = txt_table_text(txt_table::status, index); break;
    default: break;
    }
    return t ? std::string(t) : std::string();
}

void compose_message_text(std::string& out, int count, int m1, int m2, int m3, int m4)
{
    out.clear();
    const int numbers[4] = {m1, m2, m3, m4};
    for (int i = 0; i < count && i < 4; ++i)
        out += txt_message(numbers[i]);
}
