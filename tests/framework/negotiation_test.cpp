// Connecting the source pin: which types are tried in which order, how refusals
// are reported, and which allocator the connection ends up with.
#include "tests/framework/test_objects.h"

namespace orlin::framework::test {
namespace {

using Negotiation = FrameworkTest;

TEST_F(Negotiation, FullySpecifiedTypeIsTheOnlyOneTried) {
  sink->offered = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YV12};
  CMediaType yv12;
  MakeVideoType(&yv12, MEDIASUBTYPE_YV12);
  ASSERT_EQ(Connect(&yv12), S_OK);
  EXPECT_EQ(sink->enum_calls, 0);
  ASSERT_EQ(Stream()->checked.size(), 1u);
  EXPECT_TRUE(MediaTypesEqual(sink->type, yv12));
  CMediaType connection;
  EXPECT_EQ(Pin()->ConnectionMediaType(&connection), S_OK);
  EXPECT_TRUE(MediaTypesEqual(connection, yv12));
  ComRef<IPin> peer;
  EXPECT_EQ(Pin()->ConnectedTo(peer.Receive()), S_OK);
  EXPECT_EQ(peer.Get(), static_cast<IPin*>(sink));
}

TEST_F(Negotiation, FullySpecifiedRefusalIsFinalAndLeavesThePinFree) {
  CMediaType rgb;
  MakeVideoType(&rgb, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(Connect(&rgb), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(sink->enum_calls, 0);
  EXPECT_FALSE(Stream()->IsConnected());
  EXPECT_FALSE(sink->Connected());
  CMediaType connection;
  EXPECT_EQ(Pin()->ConnectionMediaType(&connection), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(connection.lSampleSize, 1u);
  EXPECT_EQ(Connect(), S_OK) << "a failed connection must leave the pin connectable";
}

TEST_F(Negotiation, PartialTypeTriesTheSinksMatchingTypesThenOurs) {
  sink->offered = {GUID_NULL /* audio */, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32};
  CMediaType video_only;
  video_only.majortype = MEDIATYPE_Video;
  ASSERT_EQ(Connect(&video_only), S_OK);
  const std::vector<GUID>& tried = Stream()->checked;
  ASSERT_EQ(tried.size(), 3u);
  EXPECT_EQ(tried[0], MEDIASUBTYPE_RGB24);
  EXPECT_EQ(tried[1], MEDIASUBTYPE_RGB32);
  EXPECT_EQ(tried[2], MEDIASUBTYPE_YV12);
  EXPECT_EQ(sink->type.subtype, MEDIASUBTYPE_YV12);
}

TEST_F(Negotiation, PartialTypeWithAnotherMajorTypeMatchesNothing) {
  CMediaType audio_only;
  audio_only.majortype = kAudioType;
  sink->offered = {MEDIASUBTYPE_YV12};
  EXPECT_EQ(Connect(&audio_only), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_TRUE(Stream()->checked.empty());
}

TEST_F(Negotiation, NoTypeConnectsWithTheSinksFirstAcceptableType) {
  sink->offered = {MEDIASUBTYPE_YV12, MEDIASUBTYPE_RGB24};
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(Stream()->checked.size(), 1u);
  EXPECT_EQ(sink->enum_calls, 1);
}

TEST_F(Negotiation, TypeRefusalsAreNotRememberedButOtherFailuresAre) {
  sink->receive_connection_result = VFW_E_TYPE_NOT_ACCEPTED;
  EXPECT_EQ(Connect(), VFW_E_NO_ACCEPTABLE_TYPES);
  sink->receive_connection_result = E_ACCESSDENIED;
  EXPECT_EQ(Connect(), E_ACCESSDENIED);
  EXPECT_FALSE(Stream()->IsConnected());
  EXPECT_EQ(Stream()->Allocator(), nullptr);
}

TEST_F(Negotiation, CheckMediaTypeSuccessCodeOtherThanOkIsATypeRefusal) {
  Stream()->check_result = S_FALSE;
  CMediaType yv12;
  MakeVideoType(&yv12, MEDIASUBTYPE_YV12);
  EXPECT_EQ(Connect(&yv12), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(Pin()->ReceiveConnection(sink, &yv12), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(Pin()->QueryAccept(&yv12), S_FALSE);
  Stream()->check_result = S_OK;
  EXPECT_EQ(Pin()->QueryAccept(&yv12), S_OK);
}

TEST_F(Negotiation, PeerOfTheSameDirectionIsRefused) {
  sink->direction = PINDIR_OUTPUT;
  CMediaType yv12;
  MakeVideoType(&yv12, MEDIASUBTYPE_YV12);
  EXPECT_EQ(Connect(&yv12), VFW_E_INVALID_DIRECTION);
  EXPECT_EQ(Pin()->ReceiveConnection(sink, &yv12), VFW_E_INVALID_DIRECTION);
}

TEST_F(Negotiation, ConnectionChangesOutOfPlace) {
  EXPECT_EQ(Pin()->Connect(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(Pin()->Disconnect(), S_FALSE);
  ConnectOrFail();
  EXPECT_EQ(Connect(), VFW_E_ALREADY_CONNECTED);
  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(Pin()->Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_TRUE(Stream()->IsConnected());
  ASSERT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Pin()->Disconnect(), S_OK);
  EXPECT_EQ(Stream()->Allocator(), nullptr);
  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(Connect(), VFW_E_NOT_STOPPED);
}

TEST_F(Negotiation, AlignmentZeroIsAskedForAsOne) {
  sink->requirements.cbAlign = 0;
  sink->requirements.cbPrefix = 0;
  ConnectOrFail();
  ASSERT_EQ(Stream()->sizing_requests.size(), 1u);
  EXPECT_EQ(Stream()->sizing_requests[0].cbAlign, 1);
  EXPECT_EQ(Stream()->Allocator(), sink->own_allocator.Get());
}

TEST_F(Negotiation, RefusedDownstreamAllocatorGivesWayToOursWithTheSameRequest) {
  sink->requirements.cbAlign = 4;
  sink->notify_result = E_FAIL;
  Stream()->prefix_from_first_sizing = 16;
  ConnectOrFail();
  const std::vector<ALLOCATOR_PROPERTIES>& requests = Stream()->sizing_requests;
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].cbAlign, 4);
  EXPECT_EQ(requests[0].cbPrefix, 0);
  // The second request is the first one as the first sizing left it.
  EXPECT_EQ(requests[1].cbAlign, 4);
  EXPECT_EQ(requests[1].cbPrefix, 16);
  EXPECT_EQ(requests[1].cBuffers, 2);
  ASSERT_EQ(sink->notified.size(), 2u);
  EXPECT_EQ(sink->notified[0], sink->own_allocator.Get());
  EXPECT_NE(sink->notified[1], sink->own_allocator.Get());
  EXPECT_EQ(Stream()->Allocator(), sink->notified[1]);
}

TEST_F(Negotiation, SinkWithoutAllocatorGetsOursAtOnce) {
  sink->offer_allocator = false;
  ConnectOrFail();
  EXPECT_EQ(Stream()->sizing_requests.size(), 1u);
  ASSERT_EQ(sink->notified.size(), 1u);
  EXPECT_NE(Stream()->Allocator(), nullptr);
}

TEST_F(Negotiation, BothAllocatorsRefusedFailsTheConnectionAndKeepsNothing) {
  sink->notify_result = E_FAIL;
  sink->notify_foreign_result = E_ACCESSDENIED;
  EXPECT_EQ(Connect(), E_ACCESSDENIED);
  EXPECT_FALSE(Stream()->IsConnected());
  EXPECT_EQ(Stream()->Allocator(), nullptr);
  EXPECT_FALSE(sink->Connected()) << "the sink must be told to disconnect";
  EXPECT_EQ(sink->References(), 1) << "only the fixture's reference may remain";
}

TEST_F(Negotiation, SinglePositionOfTheSourceType) {
  CMediaType type;
  EXPECT_EQ(Stream()->GetMediaType(0, &type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_YV12);
  CMediaType beyond;
  EXPECT_EQ(Stream()->GetMediaType(1, &beyond), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(Stream()->GetMediaType(-1, &beyond), E_INVALIDARG);
  EXPECT_EQ(Stream()->CSourceStream::CheckMediaType(&type), S_OK);
  reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biPlanes = 3;
  EXPECT_EQ(Stream()->CSourceStream::CheckMediaType(&type), E_FAIL);
}

}  // namespace
}  // namespace orlin::framework::test
