-- Velkaro lock-control bus: the frames of a Velkaro bus trace (pcapng, link type USER0).
--
-- Each packet is one host frame (7 bytes, head A5), one reply frame (5 bytes, head 5A) or a
-- run of bytes that makes no frame. Install: copy this file into Wireshark's plugins folder
-- (Help > About Wireshark > Folders), or run tshark -X lua_script:velkaro.lua.

local velkaro = Proto("velkaro", "Velkaro lock-control bus")

local HEAD_HOST = 0xA5
local HEAD_NODE = 0x5A
local HOST_FRAME_SIZE = 7
local REPLY_FRAME_SIZE = 5
local CMD_GET_STATUS = 0x00
local CMD_UNLOCK = 0x01
local ADDR_BROADCAST = 0xFF
local NO_FEEDBACK = 0xFF

local commands = { [CMD_GET_STATUS] = "status", [CMD_UNLOCK] = "unlock" }

local f = {
    head = ProtoField.uint8("velkaro.head", "Head", base.HEX,
                            { [HEAD_HOST] = "host frame", [HEAD_NODE] = "reply frame" }),
    addr = ProtoField.uint8("velkaro.addr", "Address", base.HEX),
    cmd = ProtoField.uint8("velkaro.cmd", "Command", base.HEX, commands),
    p0 = ProtoField.uint8("velkaro.p0", "Parameter 0", base.HEX),
    p1 = ProtoField.uint8("velkaro.p1", "Parameter 1", base.HEX),
    p2 = ProtoField.uint8("velkaro.p2", "Parameter 2", base.HEX),
    checksum = ProtoField.uint8("velkaro.checksum", "Checksum", base.HEX),
    checksum_ok = ProtoField.bool("velkaro.checksum_ok", "Checksum OK"),
    noise = ProtoField.bytes("velkaro.noise", "Bytes that make no frame"),
}
velkaro.fields = { f.head, f.addr, f.cmd, f.p0, f.p1, f.p2, f.checksum, f.checksum_ok, f.noise }

local bad_checksum = ProtoExpert.new("velkaro.checksum_bad", "Bad checksum",
                                     expert.group.CHECKSUM, expert.severity.WARN)
velkaro.experts = { bad_checksum }

-- What a locked lock reads: the polarity the operator set in Velkaro.
velkaro.prefs.polarity = Pref.enum("Locked lock reads", 0,
    "The feedback level of a locked lock, as set in Velkaro",
    { { 1, "0 (low)", 0 }, { 2, "1 (high)", 1 } }, true)

local P2P_DIR_SENT = 0
local P2P_DIR_RECV = 1

local function arrow(pinfo, head)
    if pinfo.p2p_dir == P2P_DIR_SENT then return "→" end
    if pinfo.p2p_dir == P2P_DIR_RECV then return "←" end
    return head == HEAD_HOST and "→" or "←"
end

local function host_summary(cmd, p0, p1, p2)
    if cmd == CMD_GET_STATUS then
        return "status"
    end
    if cmd == CMD_UNLOCK then
        local feedback = p2 == NO_FEEDBACK and "no feedback" or string.format("polarity %d", p2)
        return string.format("unlock %d ms, %d ms, %s", p0 * 10, p1, feedback)
    end
    return string.format("cmd %02X (%02X %02X %02X)", cmd, p0, p1, p2)
end

local function reply_summary(cmd, p0)
    if cmd == CMD_GET_STATUS then
        local state = p0 == velkaro.prefs.polarity and "locked" or "open"
        return string.format("status: %s (%d)", state, p0)
    end
    if cmd == CMD_UNLOCK then
        return string.format("unlock: %02X", p0)
    end
    return string.format("cmd %02X: %02X", cmd, p0)
end

local function frame_size(tvb)
    local head = tvb(0, 1):uint()
    if head == HEAD_HOST then return HOST_FRAME_SIZE end
    if head == HEAD_NODE then return REPLY_FRAME_SIZE end
    return nil
end

local function dissect_noise(tvb, pinfo, tree)
    tree:add(f.noise, tvb())
    pinfo.cols.info:set(string.format("%s noise, %d byte%s", arrow(pinfo, nil), tvb:len(),
                                      tvb:len() == 1 and "" or "s"))
end

local function dissect_frame(tvb, pinfo, tree, size)
    local head = tvb(0, 1):uint()
    local sum = 0
    for i = 0, size - 2 do
        sum = (sum + tvb(i, 1):uint()) % 256
    end
    local checksum = tvb(size - 1, 1):uint()
    local addr = tvb(1, 1):uint()
    local cmd = tvb(2, 1):uint()
    local p0 = tvb(3, 1):uint()

    tree:add(f.head, tvb(0, 1))
    tree:add(f.addr, tvb(1, 1))
    tree:add(f.cmd, tvb(2, 1))
    tree:add(f.p0, tvb(3, 1))
    local summary
    if size == HOST_FRAME_SIZE then
        tree:add(f.p1, tvb(4, 1))
        tree:add(f.p2, tvb(5, 1))
        summary = host_summary(cmd, p0, tvb(4, 1):uint(), tvb(5, 1):uint())
    else
        summary = reply_summary(cmd, p0)
    end
    local checksum_item = tree:add(f.checksum, tvb(size - 1, 1))
    local ok = checksum == sum
    tree:add(f.checksum_ok, tvb(size - 1, 1), ok)
    local info = string.format("%02X %s %02X %s", head, arrow(pinfo, head), addr, summary)
    if addr == ADDR_BROADCAST and head == HEAD_HOST then
        info = info .. " (all nodes)"
    end
    if not ok then
        checksum_item:add_proto_expert_info(bad_checksum,
            string.format("Bad checksum: %02X, the bytes before it sum to %02X", checksum, sum))
        info = info .. string.format(" [bad checksum %02X, expected %02X]", checksum, sum)
    end
    pinfo.cols.info:set(info)
end

function velkaro.dissector(tvb, pinfo, root)
    pinfo.cols.protocol:set("VELKARO")
    local tree = root:add(velkaro, tvb())
    local size = tvb:len() > 0 and frame_size(tvb) or nil
    if size ~= nil and tvb:len() == size then
        dissect_frame(tvb, pinfo, tree, size)
    else
        dissect_noise(tvb, pinfo, tree)
    end
    return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap.USER0, velkaro)
