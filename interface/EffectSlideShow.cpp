#include "interface/EffectSlideShow.h"

bool CEffect_SlideShow::Arm(int32_t event)
{
    if (event != 1)
        return false;
    m_state = StateArmed;
    return true;
}
