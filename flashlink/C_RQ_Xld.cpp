#include "flashlink/C_RQ_Xld.h"

C_RQ_Xld::C_RQ_Xld() = default;

C_RQ_Xld::C_RQ_Xld(const C_RQ_Xld& o)
    : ApplStartFlg(o.ApplStartFlg.load()),
      Requester(o.Requester),
      ProgressFn(o.ProgressFn),
      Protocol(o.Protocol),
      ConstructResult(o.ConstructResult)
{
}

C_RQ_Xld& C_RQ_Xld::operator=(const C_RQ_Xld& o)
{
    ApplStartFlg.store(o.ApplStartFlg.load());
    Requester = o.Requester;
    ProgressFn = o.ProgressFn;
    Protocol = o.Protocol;
    ConstructResult = o.ConstructResult;
    return *this;
}

C_RQ_Xld::~C_RQ_Xld() = default;

short C_RQ_Xld::CallBack(uint8_t*, uint16_t*, int*, uint32_t) { return 0; }
