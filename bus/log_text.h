// The fixed texts of the transactions' log lines.
#pragma once

inline constexpr const char* LOG_FRAME_COMPLETE = "->已获取完成包";
inline constexpr const char* LOG_RAW_PREFIX = "原始数据为：";
inline constexpr const char* LOG_PARSED = "解析后的参数";
inline constexpr const char* LOG_HOST_FRAME_RECEIVED = "!!--意外错误：主机不可能收到主机包--!!";
inline constexpr const char* LOG_LAST_NODE = "最后一个地址节点数据已收到，结束通讯";
inline constexpr const char* LOG_DEADLINE = "最大预估通讯时间已到，结束通讯";
inline constexpr const char* MSG_WRITE_ERROR = "系统错误：串口写错误";
// The port went away while open (adapter pulled out): the log line, then the one message box.
inline constexpr const char* LOG_PORT_GONE = "[串口已断开]";
inline constexpr const char* MSG_PORT_GONE = "串口已断开";
inline constexpr const char* CELL_LOCKED = "闭";
inline constexpr const char* CELL_OPEN = "开";
