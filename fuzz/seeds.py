#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/: frames of the engine protocol, parameter replies and
string patterns. Inputs found by fuzzing are added to the corpus beside these (run.sh)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    path = os.path.join(HERE, 'corpus', target, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(bytes(data))


def h(text):
    return list(bytes.fromhex(text))


# Decode data. Between the packets of a decode the real port's purge drops the checksum, so
# multi-packet inputs carry none there.
SINGLE = h('09 F3 00 00 01 31 32 33 34 FE 39')
DECODES = {
    'single_packet': SINGLE,
    'two_stray_bytes': h('A5 A5') + SINGLE,
    'more_announced_none_coming': h('07 F3 00 02 03 41 42 FE 00'),
    'plain_three_packets': h('08 F3 00 02 03 41 42 43') + h('08 F3 00 02 00 44 45 46') +
                           h('08 F3 00 00 00 47 48 49'),
    'se955_format99': h('0C F3 00 00 99 01 77 41 00 50 51 42 FD 00'),
    'imager_format99_three_packets': h('0D F3 00 02 99 1B 01 02 03 04 41 42 43') +
                                     h('08 F3 00 02 00 44 45 46') + h('08 F3 00 00 00 47 48 49'),
    'imager_format99_single_packet': h('0A F3 00 00 99 1B 01 02 03 04'),
}
for target in ('receiver_se955', 'receiver_4507'):
    for name, data in DECODES.items():
        write(target, name, data)

# Replies to a revision request; bytes an attempt leaves unread reach the next attempt.
ACK = h('04 D0 00 00')
NAK = h('05 D1 00 00 01')
se955_revision = [0x14, 0xA4, 0x00, 0x00] + list(b'NBRSUAAC') + [0x20, 0x20, 0x20, 0x98, 0x00,
                                                                   0x01, 0x02, 0x03, 0x04]
imager_revision = [0x18, 0xA4, 0x00, 0x00] + list(b'PAAAAS00-009-R00') + [0x00] * 4
REPLIES = {
    'ack': ACK,
    'nak_then_ack': NAK + ACK,
    'five_naks': NAK * 5,
    'other_status_is_no_nak': h('05 D1 00 01 01'),
    'se955_revision': se955_revision,
    'imager_revision': imager_revision,
    'cut_reply': h('09 A4 00 00 41'),
}
for name, data in REPLIES.items():
    write('reply', name, data)

# Parameter handlers: handler index (order of param_reply_fuzz.cpp), engine and mode, given
# pointers, values of a write, then what the engine answers.
CODE93, SECURITY, IMAGER, CODE128, USER_1D = 4, 14, 18, 3, 21
READ_SE955, READ_4507, WRITE_4507 = 1, 0, 2


def reply(pairs):
    return [5 + len(pairs), 0xC6, 0x00, 0x00, 0xFF] + pairs


def values(*vs):
    return [b for v in vs for b in struct.pack('<i', v)]


PARAMS = {
    'code93_read': [CODE93, READ_SE955, 0xFF, 0xFF] + reply(h('09 01 1A 04 1B 37')),
    'code93_read_after_nak': [CODE93, READ_SE955, 0xFF, 0xFF] + NAK + reply(h('09 01 1A 04 1B 37')),
    'code93_read_ack_is_no_reply': [CODE93, READ_4507, 0xFF, 0xFF] + ACK,
    'security_read': [SECURITY, READ_SE955, 0x07, 0x00] + reply(h('4E 01 4D 00 F0 7D 06')),
    'code128_read': [CODE128, READ_4507, 0x1F, 0x00] + reply(h('08 01 0E 00 54 01 F1 41 05 DF 02')),
    'imager_read_words': [IMAGER, READ_4507, 0xFF, 0xFF] +
                         reply(h('F4 F1 37 01 2C F4 F0 A7 00 64 F1 31 28 F0 31 41 F0 29 01')),
    'imager_read_word_cut': [IMAGER, READ_4507, 0xFF, 0xFF] + reply(h('F0 29 01 F4 F1 37 01')),
    # Arguments 1..16 at their reset defaults.
    'imager_write_defaults': [IMAGER, WRITE_4507, 0xFF, 0xFF] +
                             values(1, 1, 2, 0, 1, 1, 100, 10, 0, 1, 0, 1, 65, 40, 1, 2) + ACK,
    'user_preferences_1d_read': [USER_1D, READ_SE955, 0x7F, 0x00] +
                                reply(h('88 32 BF 00 89 01 4E 01 43 00 8A 06')),
}
for name, data in PARAMS.items():
    write('param_reply', name, data)

# Format patterns: the pattern, a zero byte, then the arguments.
FORMATS = {
    'width_and_zero_fill': b'%04d\0' + struct.pack('<i', 7),
    'port_name': b'COM%d:\0' + struct.pack('<i', 2),
    'character': b'%c\0' + struct.pack('<i', 13),
    'unfinished': b'a%',
    'percent': b'%%',
    'string_with_width': b'%5s\0' + b'\x02ab',
    'wide_string': b'[%w]\0' + b'\x02' + struct.pack('<HH', 0x0141, 0x2603),
    'doubles': b'%.3f %e %G\0' + struct.pack('<ddd', 3.25, -1e300, float('nan')),
    'flags_and_lengths': b'%-8x|%+hhi|%#lo\0' + struct.pack('<iii', 255, 300, 8),
    'wide_of_output_room': b'%120d\0' + struct.pack('<i', 1),
    'letters_without_meaning': b'%nd %pd %*d\0' + struct.pack('<iii', 9, 10, 11),
    'positional_string': b'%1$s %Fd %Lf\0' + b'\x02ab' + struct.pack('<id', 12, 0.5),
}
for name, data in FORMATS.items():
    write('wstring_format', name, data)


# String operations: op, target, other, operands (see wstring_ops_fuzz.cpp).
def op(code, target=0, other=1, *operands):
    return [code, target, other] + list(operands)


OPS = {
    'append_and_find': op(5, 0, 0, 5, *b'xAAyz') + op(17, 0, 0, 0, 2, *b'AA') +
                       op(10, 0, 0, 1, 2),
    # Past 65536 units, where growth changes from doubling to fixed steps.
    'self_append_grows': op(5, 0, 0, 8, *b'abcdefgh') + op(4, 0, 0) * 13 +
                         op(5, 0, 0, 10, *b'0123456789') + op(18, 0, 0),
    'mid_into_itself': op(5, 1, 1, 6, *b'abcdef') + op(12, 1, 1, 1, 3) + op(12, 0, 1, 4, 100),
    'assign_own_narrow': op(0, 2, 2, 0x41, 0x01) + op(5, 2, 2, 3, *b'xyz') + op(7, 2, 2) +
                         op(22, 2, 2) + op(21, 0, 2),
    'erase_and_set': op(5, 0, 0, 6, *b'abcdef') + op(10, 0, 0, 1, 10) + op(14, 0, 0, 0x78, 0,
                                                                             0) + op(11, 0, 0, 0xE3, 1),
    'reset_copy_and_units': op(19, 0, 0, 0x00, 0x01) + op(1, 0, 0, 3, 1, 0, 0, 0, 0xC1, 0xFF) +
                            op(2, 1, 0, 1, 5) + op(3, 2, 0, 0, 0xFE) + op(20, 1, 0) + op(15, 0, 0, 5, 0xE0) +
                            op(16, 1, 1, 0xFF) + op(23, 0, 0, 0xFF, 0xFF),
}
for name, data in OPS.items():
    write('wstring_ops', name, data)


# Faults mended in the library, each kept as a named input that the targets replay
# (fuzz/regressions/<target>/). Most are lengths from the wire that the protocol's own
# arithmetic would take below zero, and arguments a string operation takes from its own buffer.
def regression(target, name, data):
    path = os.path.join(HERE, 'regressions', target, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(bytes(data))


# What follows a frame whose length is too short: a receiver that takes the length below zero
# reads all of it into one packet.
PAD = [0x50] * 600
for target in ('receiver_se955', 'receiver_4507'):
    # L - 4 data bytes would wrap: the receiver must not read an endless count.
    regression(target, 'decode_length_below_header', h('03 F3 00 00 01') + PAD)
    regression(target, 'stray_bytes_then_short_length', h('A5 A5 02 F3 00 00 01') + PAD)
    regression(target, 'continuation_length_below_header',
               h('07 F3 00 02 03 41 42') + h('03 F3 00 00 00') + PAD)
# 0x99 t x with a count that does not cover the type and the dropped byte.
regression('receiver_se955', 'format99_count_below_type', h('06 F3 00 00 99 01'))
# 0x99 t b b b b: a count below the five bytes before the data, in the first packet and in a
# continuation packet.
regression('receiver_4507', 'format99_count_below_skip', h('08 F3 00 00 99 1B 01 02') + PAD)
regression('receiver_4507', 'format99_continuation_length_below_skip',
           h('0A F3 00 02 99 1B 01 02 03 04') + h('03 F3 00 02 00') + PAD)

# A length byte of 0 cannot cover itself; reading L - 1 bytes would take all that follows.
regression('reply', 'length_zero', h('00') + [0x50] * 1300)

# A reply of 31 bytes fills its string's first 32 units exactly, so a value byte read past the
# reply lies outside the allocation.
for name, number in (('imager_word_past_reply_end', 'F4 F1 37'),
                     ('imager_low_byte_word_past_reply_end', 'F4 F0 A7')):
    regression('param_reply', name,
               [IMAGER, READ_4507, 0xFF, 0xFF] + reply([0xEE] * 23 + h(number)))

# Conversion text handed to the runtime as it was collected: 'n' writes through the integer.
regression('wstring_format', 'percent_n_writes_through_no_argument',
           b'%nd|%hnd|%1$n\0' + struct.pack('<iii', 1, 2, 3))

# Sources inside the string being changed, which a growing buffer moves or emptying frees.
regression('wstring_ops', 'append_itself_past_capacity',
           op(5, 0, 0, 20, *b'abcdefghijklmnopqrst') + op(4, 0, 0))
regression('wstring_ops', 'append_own_units_past_capacity',
           op(5, 0, 0, 20, *b'abcdefghijklmnopqrst') + op(2, 0, 0, 0, 20))
regression('wstring_ops', 'assign_own_narrow_copy', op(5, 0, 0, 3, *b'abc') + op(7, 0, 0))
regression('wstring_ops', 'format_own_units_and_narrow_copy',
           op(5, 0, 0, 3, *b'abc') + op(21, 0, 0) + op(22, 0, 0))


# Open faults, kept apart from the replayed inputs until the library mends them
# (fuzz/findings/<target>/): decodes the receiver accepts beyond its limit of 65536 units.
def finding(target, name, data):
    path = os.path.join(HERE, 'findings', target, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(bytes(data))


def full_packet(status):
    return [0xFF, 0xF3, 0x00, status, 0x00] + [0x44] * 250


# 262 full continuation packets bring the decode to 65504 units; a packet cut short after 200
# of its 250 data bytes then ends the decode with 65704, accepted.
plain_cut = h('08 F3 00 02 03 41 42 43') + full_packet(2) * 262 + [0xFF, 0xF3, 0x00, 0x02, 0x00
                                                                   ] + [0x45] * 200
# In the 4507's 0x99 format the packet with status 0 is appended before the limit is checked.
imager_last = h('0D F3 00 02 99 1B 01 02 03 04 41 42 43') + full_packet(2) * 262 + full_packet(0)
for target in ('receiver_se955', 'receiver_4507'):
    finding(target, 'plain_cut_packet_beyond_limit', plain_cut)
finding('receiver_4507', 'format99_last_packet_beyond_limit', imager_last)
