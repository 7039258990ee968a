// The protocol layer between the download sequences and the object-transfer client.
#pragma once
#include "flashlink/C_RQ_Xld.h"

class CProtocol : public C_RQ_Xld {};
