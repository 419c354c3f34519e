// The predicates behind the computed items, one per listed id. Each takes
// the context and answers 0 or 1; ComputedItemValue dispatches to them.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

int Cond731Fin2000Or3000Orient0(DrvContext* ctx);
int Cond732Fin2000Or3000Orient1(DrvContext* ctx);
int Cond733Fin2000Or3000Paper(DrvContext* ctx);
int Cond734Fin2000Or3000Punch(DrvContext* ctx);
int Cond735Fin2000Or3000Staple(DrvContext* ctx);
int Cond736Fin2000Or3000PaperExt(DrvContext* ctx);
int Cond737PaperOutsideList(DrvContext* ctx);
int Cond747OutOpt14Orient0(DrvContext* ctx);
int Cond748OutOpt14Orient1(DrvContext* ctx);
int Cond749OutOpt14Paper(DrvContext* ctx);
int Cond750OutOpt14Staple(DrvContext* ctx);
int Cond763Fin1000Orient0(DrvContext* ctx);
int Cond764Fin1000Orient1(DrvContext* ctx);
int Cond765Fin1000Paper(DrvContext* ctx);
int Cond766Fin1000Staple(DrvContext* ctx);
int Cond779OutOpt15Orient0(DrvContext* ctx);
int Cond780OutOpt15Orient1(DrvContext* ctx);
int Cond781OutOpt15Paper(DrvContext* ctx);
int Cond782OutOpt15Staple(DrvContext* ctx);
int Cond795FinBFLongOrient0(DrvContext* ctx);
int Cond796FinBFOrient1(DrvContext* ctx);
int Cond797FinBFOrient0(DrvContext* ctx);
int Cond798FinBFLongA4Orient0(DrvContext* ctx);
int Cond799FinBFPaper(DrvContext* ctx);
int Cond800FinBFStaple(DrvContext* ctx);
int Cond828AutoTrayHasPaper(DrvContext* ctx);
int Cond829Tray1HasPaper(DrvContext* ctx);
int Cond830Tray2HasPaper(DrvContext* ctx);
int Cond831Tray3HasPaper(DrvContext* ctx);
int Cond832Tray4HasPaper(DrvContext* ctx);
int Cond833LctHasPaper(DrvContext* ctx);
int Cond834ManualTrayHasPaper(DrvContext* ctx);
int IsFinishEdge1(DrvContext* ctx);
int IsFinishEdge2(DrvContext* ctx);
int Cond844CoverTrayMatch(DrvContext* ctx);
int Cond845MPTrayMatch(DrvContext* ctx);

}  // namespace vesk
