// The fixed texts of the log lines as the tests expect them: the Chinese, written out so that
// the tests read the tables against them.
#pragma once

inline constexpr const char* kLogFrameComplete = "->已获取完成包";
inline constexpr const char* kLogRawPrefix = "原始数据为：";
inline constexpr const char* kLogParsed = "解析后的参数";
inline constexpr const char* kLogHostFrameReceived = "!!--意外错误：主机不可能收到主机包--!!";
inline constexpr const char* kLogLastNode = "最后一个地址节点数据已收到，结束通讯";
inline constexpr const char* kLogDeadline = "最大预估通讯时间已到，结束通讯";
inline constexpr const char* kMsgWriteError = "系统错误：串口写错误";
// The port went away while open (adapter pulled out): the log line, then the one message box.
inline constexpr const char* kLogPortGone = "[串口已断开]";
inline constexpr const char* kMsgPortGone = "串口已断开";
inline constexpr const char* kCellLocked = "闭";
inline constexpr const char* kCellOpen = "开";
