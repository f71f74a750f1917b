#pragma once

// Every module generator, for the code that runs them in the generation order.

#include "tarvik/modules/cal_fct_handler.h"
#include "tarvik/modules/cal_ict_handler.h"
#include "tarvik/modules/channel_card_handler.h"
#include "tarvik/modules/dwb_cal_handler.h"
#include "tarvik/modules/dwb_fct_handler.h"
#include "tarvik/modules/fjn_fct_handler.h"
#include "tarvik/modules/gat84_fct_handler.h"
#include "tarvik/modules/jel_handler.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/log_fct_handler.h"
#include "tarvik/modules/nettest_handler.h"
#include "tarvik/modules/norv_fct_handler.h"
#include "tarvik/modules/qbt_ict_handler.h"
#include "tarvik/modules/reset_handler.h"
#include "tarvik/modules/seq_fct_handler.h"
#include "tarvik/modules/sew_fct_handler.h"
#include "tarvik/modules/template_file_handler.h"
#include "tarvik/modules/tqd_fct_handler.h"
#include "tarvik/modules/zupa_fct_handler.h"

namespace tarvik {

} // namespace tarvik
